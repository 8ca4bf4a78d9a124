#pragma once

// The host component framework.

#include <keyloom/host/actnlist.hpp>
#include <keyloom/host/buttons.hpp>
#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/controls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/forms.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/published.hpp>
#include <keyloom/host/stdctrls.hpp>
#include <keyloom/host/tree_view.hpp>
#include <keyloom/host/typinfo.hpp>
