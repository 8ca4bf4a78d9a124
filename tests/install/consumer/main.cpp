#include <keyloom/keyloom.hpp>

#include <iostream>

// Runs the whole pipeline through the installed package: a form with one
// button captioned "Exit" gets the default caption's accelerator.
int main() {
  using namespace keyloom;
  TForm Form(nullptr);
  Form.SetName("Form1");
  auto* Button = new TButton(&Form);
  Button->SetName("Button1");
  Button->SetParent(&Form);
  Button->SetCaption("Exit");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  std::cout << "Exit -> " << Button->GetCaption() << "\n";
  return Button->GetCaption() == "E&xit" ? 0 : 1;
}
