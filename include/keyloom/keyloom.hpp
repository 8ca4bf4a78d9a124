#pragma once

// Everything of the Keyloom library.

#include <keyloom/caption_check.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/default_lists.hpp>
#include <keyloom/design/designer.hpp>
#include <keyloom/design/designer_host.hpp>
#include <keyloom/design/keyloom_editor.hpp>
#include <keyloom/design/keyloom_form.hpp>
#include <keyloom/design/options_store.hpp>
#include <keyloom/design/resources.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/errors.hpp>
#include <keyloom/formfile/captions.hpp>
#include <keyloom/formfile/document.hpp>
#include <keyloom/formfile/loader.hpp>
#include <keyloom/formfile/unified_diff.hpp>
#include <keyloom/host.hpp>
#include <keyloom/host/user_store.hpp>
#include <keyloom/key_options.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/pipeline.hpp>
#include <keyloom/scopes.hpp>
#include <keyloom/stats.hpp>
#include <keyloom/stored_keylooms.hpp>
#include <keyloom/support/files.hpp>
#include <keyloom/tree.hpp>
