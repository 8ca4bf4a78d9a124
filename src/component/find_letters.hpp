#pragma once

// The one place where a run hands its working tree to the key engine, so that
// every face (the component, the command's tree and check) finds letters the
// same way for the same settings.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>

namespace keyloom::detail {

// Finds letters for the whole tree, the root level being the first group.
void FindLetters(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                 const TStrings& DefaultCaptions, const TKeyOptions& Options);

}  // namespace keyloom::detail
