// Writes generated text form files for the end-to-end measurements of the
// command line. Usage: keyloom-make-forms SHAPE COMPONENTS COUNT FOLDER
// (SHAPE: flat, deep, panels, menu, radiogroups, dialog, typical; each file
// gets its own seed; for typical, COMPONENTS is the median size).

#include "form_sketch.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  using namespace keyloom::bench;
  if (argc != 5) {
    std::cerr << "usage: keyloom-make-forms SHAPE COMPONENTS COUNT FOLDER\n";
    return 2;
  }
  const std::string ShapeArg = argv[1];
  TShape Shape = TShape::shTypical;
  bool Known = false;
  for (TShape S : {TShape::shFlat, TShape::shDeep, TShape::shPanels, TShape::shMenu, TShape::shRadioGroups,
                   TShape::shDialog, TShape::shTypical})
    if (ShapeArg == ShapeName(S)) {
      Shape = S;
      Known = true;
    }
  const int Components = std::atoi(argv[2]);
  const int Count = std::atoi(argv[3]);
  if (!Known || Components < 1 || Count < 1) {
    std::cerr << "keyloom-make-forms: bad shape or number\n";
    return 2;
  }
  const std::filesystem::path Folder = argv[4];
  std::filesystem::create_directories(Folder);
  for (int I = 0; I < Count; ++I) {
    const std::string Name = "Form" + std::to_string(I + 1);
    std::ofstream Out(Folder / (Name + ".dfm"), std::ios::binary);
    Out << WriteFormText(MakeSketch(Shape, Components, static_cast<std::uint32_t>(I + 1)), Name);
    if (!Out) {
      std::cerr << "keyloom-make-forms: cannot write into " << Folder << '\n';
      return 1;
    }
  }
  return 0;
}
