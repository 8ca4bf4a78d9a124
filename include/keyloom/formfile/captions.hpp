#pragma once

// Where a loaded form's captions stand in its file, and how they differ from it.

#include <keyloom/formfile/loader.hpp>

namespace keyloom::formfile {

// Where the caption of a tree node's object stands in the file: the published
// caption, a radio-group item, else the object's header.
TPosition CaptionPosition(const TLoadedForm& Form, const TObject* Object);

// Whether a tree node's caption comes from another file of the window (an
// ancestor or a frame) that this file does not override.
bool CaptionFromOtherFile(const TLoadedForm& Form, const TObject* Object);
// Where a tree node's caption stands, in this file or another of the window.
TWindowPlace CaptionPlace(const TLoadedForm& Form, const TObject* Object);
// The value in this form's own file that gives a tree node's caption, for the
// span it covers there; nil when another file gives it or no value does.
const TValue* CaptionValue(const TLoadedForm& Form, const TObject* Object);

// How many captions (radio-group items included) the live form shows with an
// accelerator that the file holds without one. Call before StoreCaptions.
int CountCaptionsGivenALetter(TLoadedForm& Form);

}  // namespace keyloom::formfile
