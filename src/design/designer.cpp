#include <keyloom/design/designer.hpp>
#include <keyloom/design/resources.hpp>

#include <algorithm>
#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace keyloom {

// ---------------------------------------------------------------- services

namespace {

bool StartsWithNoCase(std::string_view S, std::string_view Prefix) {
  return S.size() >= Prefix.size() && SameText(S.substr(0, Prefix.size()), Prefix);
}

}  // namespace

bool OpenWithDesktop(const std::string& Target) {
  const bool Web = StartsWithNoCase(Target, "http://") || StartsWithNoCase(Target, "https://") ||
                   StartsWithNoCase(Target, "mailto:");
  if (!Web || Target.find_first_of(std::string_view("\0\n\r", 3)) != std::string::npos) return false;
  // The opener gets the address as one argument: no shell ever parses it. It
  // runs as a grandchild, so that neither a slow opener blocks the window nor
  // a finished one stays behind as a zombie.
  std::string Program = "xdg-open";
  std::string Argument = Target;
  char* Argv[] = {Program.data(), Argument.data(), nullptr};
  const pid_t Child = fork();
  if (Child < 0) return false;
  if (Child == 0) {
    if (fork() == 0) {
      execvp(Argv[0], Argv);
      _exit(127);
    }
    _exit(0);
  }
  int Status = 0;
  while (waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

TDesignServices TDesignServices::Defaults() {
  TDesignServices Services;
  Services.MessageBox = [](const std::string&, const std::string&, int) { return 0; };
  Services.ShellOpen = [](const std::string& Target) { OpenWithDesktop(Target); };
  return Services;
}

// ---------------------------------------------------------------- component editors

TComponentEditor::TComponentEditor(TComponent* AComponent, std::shared_ptr<IDesigner> ADesigner)
    : FComponent(AComponent), FDesigner(std::move(ADesigner)) {}

TComponentEditor::~TComponentEditor() = default;

void TComponentEditor::Edit() {
  if (GetVerbCount() > 0) ExecuteVerb(0);
}

void TComponentEditor::ExecuteVerb(int) {}

std::string TComponentEditor::GetVerb(int) { return {}; }

int TComponentEditor::GetVerbCount() { return 0; }

void TComponentEditor::Copy() {}

// ---------------------------------------------------------------- registration

namespace {

// The registry whose package is being loaded; registration calls go there.
thread_local TDesignRegistry* LoadingRegistry = nullptr;

TDesignRegistry& Loading() {
  if (!LoadingRegistry) throw EDesignerError("Registration outside of a package load");
  return *LoadingRegistry;
}

}  // namespace

void TDesignRegistry::RegisterComponentEditor(const TClassInfo& ComponentClass, TComponentEditorFactory Factory) {
  if (!Factory) throw EDesignerError("No component editor given for " + ComponentClass.ClassName());
  FEditors.push_back({&ComponentClass, std::move(Factory)});
}

void TDesignRegistry::RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes) {
  auto It = std::find_if(FPages.begin(), FPages.end(), [&](const TPalettePage& P) { return SameText(P.Name, Page); });
  if (It == FPages.end()) It = FPages.insert(FPages.end(), TPalettePage{std::string(Page), {}});
  for (const TClassInfo* Class : Classes) {
    if (!Class) continue;
    // Components on the palette can be read from form files by name.
    RegisterClass(*Class);
    if (std::find(It->Classes.begin(), It->Classes.end(), Class) == It->Classes.end()) It->Classes.push_back(Class);
  }
}

void TDesignRegistry::LoadPackage(std::string_view Description, const std::function<void()>& Register) {
  struct TScope {
    TDesignRegistry* Saved;
    explicit TScope(TDesignRegistry* Now) : Saved(LoadingRegistry) { LoadingRegistry = Now; }
    ~TScope() { LoadingRegistry = Saved; }
  } Scope(this);
  FPackages.push_back({std::string(Description)});
  if (Register) Register();
}

const TComponentEditorFactory* TDesignRegistry::FindComponentEditor(const TClassInfo& ComponentClass) const {
  for (const TClassInfo* Class = &ComponentClass; Class; Class = Class->Parent())
    for (auto It = FEditors.rbegin(); It != FEditors.rend(); ++It)
      if (It->Class == Class) return &It->Factory;
  return nullptr;
}

const TDesignRegistry::TPalettePage* TDesignRegistry::FindPalettePage(std::string_view Name) const {
  for (const TPalettePage& Page : FPages)
    if (SameText(Page.Name, Name)) return &Page;
  return nullptr;
}

std::optional<std::string_view> PaletteBitmap(const TClassInfo& ComponentClass) {
  std::string Name = ComponentClass.ClassName();
  for (char& C : Name)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  return FindResource(Name);
}

void RegisterComponentEditor(const TClassInfo& ComponentClass, TComponentEditorFactory Factory) {
  Loading().RegisterComponentEditor(ComponentClass, std::move(Factory));
}

void RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes) {
  Loading().RegisterComponents(Page, Classes);
}

}  // namespace keyloom
