#pragma once

// Everything of the Keyloom library.

#include <keyloom/caption_check.hpp>
#include <keyloom/default_lists.hpp>
#include <keyloom/design/designer.hpp>
#include <keyloom/design/designer_host.hpp>
#include <keyloom/design/keyloom_editor.hpp>
#include <keyloom/design/keyloom_form.hpp>
#include <keyloom/design/options_store.hpp>
#include <keyloom/design/resources.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/errors.hpp>
#include <keyloom/formfile/atomic_write.hpp>
#include <keyloom/formfile/document.hpp>
#include <keyloom/formfile/form_keys.hpp>
#include <keyloom/formfile/loader.hpp>
#include <keyloom/formfile/unified_diff.hpp>
#include <keyloom/host.hpp>
#include <keyloom/host/registry.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/key_options.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/tree.hpp>
