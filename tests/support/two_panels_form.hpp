#pragma once

namespace keyloom::test {

// Two panels, one button each, shown together in one window: their captions
// differ in their sibling groups but clash in the window.
inline constexpr const char* TwoPanels =
    "object Form1: TForm\n"
    "  object Panel1: TPanel\n"
    "    object Button1: TButton\n"
    "      Caption = 'Open'\n"
    "    end\n"
    "  end\n"
    "  object Panel2: TPanel\n"
    "    object Button2: TButton\n"
    "      Caption = 'Options'\n"
    "    end\n"
    "  end\n"
    "end\n";

}  // namespace keyloom::test
