#include "component/find_letters.hpp"

#include <keyloom/engine.hpp>

namespace keyloom::detail {

void FindLetters(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                 const TStrings& DefaultCaptions, const TKeyOptions& Options) {
  const TUsedLetters Used;
  Find(Tree, Used, nullptr, nullptr, CaptionClasses, NoCaptionClasses, DefaultCaptions, Options);
}

}  // namespace keyloom::detail
