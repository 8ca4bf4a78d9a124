#pragma once

// Glyph buttons: the bit button and the speed button.

#include <keyloom/host/stdctrls.hpp>

namespace keyloom {

class TBitBtn : public TButton {
  KEYLOOM_CLASS(TBitBtn)
 public:
  using TButton::TButton;
};

// Where a button's glyph stands beside its caption.
enum class TButtonLayout : std::uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A graphic button, often flat on a tool bar; not a button control.
class TSpeedButton : public TGraphicControl {
  KEYLOOM_CLASS(TSpeedButton)
 public:
  using TGraphicControl::TGraphicControl;
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool V) { FFlat = V; }
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int V) { FGroupIndex = V; }
  bool GetDown() const { return FDown; }
  void SetDown(bool V) { FDown = V; Changed("Down"); }
  int GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int V) { FNumGlyphs = V; }
  int GetSpacing() const { return FSpacing; }
  void SetSpacing(int V) { FSpacing = V; }
  TButtonLayout GetLayout() const { return FLayout; }
  void SetLayout(TButtonLayout V) { FLayout = V; Changed("Layout"); }
  // The glyph's picture, as the resource or form file holds it.
  const std::string& GetGlyphData() const { return FGlyph; }
  void SetGlyphData(const std::string& V) { FGlyph = V; Changed("Glyph"); }

 private:
  bool FFlat = false;
  bool FDown = false;
  int FGroupIndex = 0;
  int FNumGlyphs = 1;
  int FSpacing = 4;
  TButtonLayout FLayout = TButtonLayout::blGlyphLeft;
  std::string FGlyph;
};

}  // namespace keyloom
