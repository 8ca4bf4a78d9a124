#pragma once

// Everything of the Keyloom library.

#include <keyloom/default_lists.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/errors.hpp>
#include <keyloom/host.hpp>
#include <keyloom/introspection.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/tree.hpp>
