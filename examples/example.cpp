// Builds the form of a typical run in code, drops a TKeyloom on it and prints
// the captions before and after.

#include <keyloom/keyloom.hpp>

#include <iostream>

int main() {
  using namespace keyloom;
  TForm Form(nullptr);
  Form.SetName("Form1");

  auto* Menu = new TMainMenu(&Form);
  Menu->SetName("MainMenu1");
  for (const char* Caption : {"File", "Exit"}) {
    auto* Item = new TMenuItem(&Form);
    Item->SetCaption(Caption);
    Menu->GetItems()->Add(Item);
  }
  auto* Panel = new TPanel(&Form);
  Panel->SetName("Panel1");
  Panel->SetParent(&Form);
  for (const char* Caption : {"OK", "Open"}) {
    auto* Button = new TButton(&Form);
    Button->SetCaption(Caption);
    Button->SetParent(Panel);
  }

  auto Print = [&](const char* Title) {
    std::cout << Title << ":";
    for (TMenuItem* Item : Menu->GetItems()->Items()) std::cout << " '" << Item->GetCaption() << "'";
    for (TControl* Control : Panel->Controls()) std::cout << " '" << Control->GetCaption() << "'";
    std::cout << "\n";
  };
  Print("before");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  Print("after ");
  return 0;
}
