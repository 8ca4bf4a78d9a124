#include <keyloom/default_lists.hpp>
#include <keyloom/design/options_store.hpp>

namespace keyloom {

bool ReadList(std::string_view Key, TStrings& List, const std::filesystem::path& Store) {
  bool Result = true;
  List.Clear();
  TRegistry Registry(Store);
  Registry.OpenKey(Key, true);
  try {
    const std::int32_t Count = Registry.ReadInteger("Count");
    for (std::int32_t I = 0; I < Count; ++I) List.Add(Registry.ReadString("String" + std::to_string(I)));
  } catch (const ERegistryException&) {
    Result = false;
  }
  try {
    Registry.CloseKey();
  } catch (const ERegistryException&) {
    // The key could not be made in the file; the read itself stands.
  }
  return Result;
}

void LoadList(std::string_view Key, TStrings& List, std::span<const std::string_view> Defaults,
              const std::filesystem::path& Store) {
  if (!ReadList(Key, List, Store)) AddDefaults(List, Defaults);
}

void WriteList(std::string_view Key, const TStrings& List, const std::filesystem::path& Store) {
  TRegistry Registry(Store);
  Registry.DeleteKey(Key);
  Registry.OpenKey(Key, true);
  try {
    Registry.WriteInteger("Count", List.Count());
    for (int I = 0; I < List.Count(); ++I) Registry.WriteString("String" + std::to_string(I), List.Get(I));
    Registry.CloseKey();
  } catch (const ERegistryException&) {
    // Swallowed: the store keeps what was written before the error.
  }
}

void LoadClassLists(TClassLists& Lists, const std::filesystem::path& Store) {
  LoadList(NoCaptionsKey, Lists.NoCaptionClasses, DefaultNoCaptionClasses, Store);
  LoadList(CaptionsKey, Lists.CaptionClasses, DefaultCaptionClasses, Store);
  LoadList(DefaultCaptionsKey, Lists.DefaultCaptions, DefaultDefaultCaptions, Store);
}

void SaveClassLists(const TClassLists& Lists, const std::filesystem::path& Store) {
  WriteList(NoCaptionsKey, Lists.NoCaptionClasses, Store);
  WriteList(CaptionsKey, Lists.CaptionClasses, Store);
  WriteList(DefaultCaptionsKey, Lists.DefaultCaptions, Store);
}

}  // namespace keyloom
