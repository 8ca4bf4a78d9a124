#include "host/idents.hpp"

namespace keyloom {

const TIdentList& ColorIdents() {
  static const TIdentList List = {
      {"clBlack", 0x000000},       {"clMaroon", 0x000080},      {"clGreen", 0x008000},
      {"clOlive", 0x008080},       {"clNavy", 0x800000},        {"clPurple", 0x800080},
      {"clTeal", 0x808000},        {"clGray", 0x808080},        {"clSilver", 0xC0C0C0},
      {"clRed", 0x0000FF},         {"clLime", 0x00FF00},        {"clYellow", 0x00FFFF},
      {"clBlue", 0xFF0000},        {"clFuchsia", 0xFF00FF},     {"clAqua", 0xFFFF00},
      {"clWhite", 0xFFFFFF},       {"clNone", 0x1FFFFFFF},      {"clDefault", 0x20000000},
      {"clScrollBar", -16777216},  {"clBackground", -16777215}, {"clActiveCaption", -16777214},
      {"clInactiveCaption", -16777213}, {"clMenu", -16777212},  {"clWindow", -16777211},
      {"clWindowFrame", -16777210}, {"clMenuText", -16777209},  {"clWindowText", -16777208},
      {"clCaptionText", -16777207}, {"clActiveBorder", -16777206}, {"clInactiveBorder", -16777205},
      {"clAppWorkSpace", -16777204}, {"clHighlight", -16777203}, {"clHighlightText", -16777202},
      {"clBtnFace", -16777201},    {"clBtnShadow", -16777200},  {"clGrayText", -16777199},
      {"clBtnText", -16777198},    {"clInactiveCaptionText", -16777197}, {"clBtnHighlight", -16777196},
      {"cl3DDkShadow", -16777195}, {"cl3DLight", -16777194},    {"clInfoText", -16777193},
      {"clInfoBk", -16777192},     {"clHotLight", -16777190},   {"clMenuHighlight", -16777187},
      {"clMenuBar", -16777186},
  };
  return List;
}

const TIdentList& CursorIdents() {
  static const TIdentList List = {
      {"crDefault", 0},    {"crNone", -1},       {"crArrow", -2},     {"crCross", -3},
      {"crIBeam", -4},     {"crSize", -22},      {"crSizeNESW", -6},  {"crSizeNS", -7},
      {"crSizeNWSE", -8},  {"crSizeWE", -9},     {"crUpArrow", -10},  {"crHourGlass", -11},
      {"crDrag", -12},     {"crNoDrop", -13},    {"crHSplit", -14},   {"crVSplit", -15},
      {"crMultiDrag", -16}, {"crSQLWait", -17},  {"crNo", -18},       {"crAppStart", -19},
      {"crHelp", -20},     {"crHandPoint", -21}, {"crSizeAll", -22},
  };
  return List;
}

}  // namespace keyloom
