#pragma once

// Generated forms for the benchmarks: a sketch of objects in one of several
// shapes, written out as a text form file or built as live components.

#include <keyloom/host.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace keyloom::bench {

enum class TShape : std::uint8_t {
  shFlat,         // every control on one panel
  shDeep,         // chains of 24 nested panels, a button beside each inner panel
  shPanels,       // many panels of ten buttons
  shMenu,         // a main menu of many top items, each with a wide submenu
  shRadioGroups,  // panels of ten radio groups with four items each
  shDialog,       // a small dense dialog: menu, panels, radio group, group box
  shTypical,      // a form drawn to the shared corpus's figures (see MakeSketch)
};

const char* ShapeName(TShape Shape);

struct TSketchObject {
  std::string Class;
  std::string Name;
  std::string Caption;  // "" writes no Caption
  int Parent = -1;      // index of the enclosing object, -1 for the form
  std::vector<std::string> Items;
  bool Default = false;
  // Further properties as written: a value "{...}" holds hex digits, which
  // are laid out in lines of 64 as writers do.
  std::vector<std::pair<std::string, std::string>> Extra;
};

struct TSketch {
  std::vector<TSketchObject> Objects;
  std::vector<std::pair<std::string, std::string>> FormExtra;  // after the form's usual lines
};

// About Components objects (at least one of each kind the shape needs).
// Seed varies the captions (and the layout of shDialog and shTypical).
// shTypical takes Components as the median of a spread of sizes with the
// corpus's own: median 12 and mean 19 objects a form, about 8.6 properties
// an object, and images (glyphs, pictures) that make half of the bytes.
TSketch MakeSketch(TShape Shape, int Components, std::uint32_t Seed = 1);

// The sketch as a text form file with a TForm root named FormName.
std::string WriteFormText(const TSketch& Sketch, const std::string& FormName = "Form1");

// The sketch as live components owned by a new form; Made receives the
// component of each sketch object, in sketch order.
std::unique_ptr<TForm> BuildForm(const TSketch& Sketch, std::vector<TComponent*>* Made = nullptr);

// Puts back the captions and radio-group items the sketch gave the components.
void RestoreCaptions(const TSketch& Sketch, const std::vector<TComponent*>& Made);

}  // namespace keyloom::bench
