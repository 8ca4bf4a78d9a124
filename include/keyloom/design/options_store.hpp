#pragma once

// The editor window's three class lists, kept per user in the registry.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/user_store.hpp>

#include <filesystem>
#include <span>
#include <string_view>

namespace keyloom {

inline constexpr std::string_view CaptionsKey = "Software\\Velquist\\Keyloom\\Captions";
inline constexpr std::string_view NoCaptionsKey = "Software\\Velquist\\Keyloom\\NoCaptions";
inline constexpr std::string_view DefaultCaptionsKey = "Software\\Velquist\\Keyloom\\DefaultCaptions";

// Replaces the list's content with the stored entries ("Count", then "String0"
// ...); false when the read failed part-way or at once (entries read before
// the failure stay). The key is made when missing.
bool ReadList(std::string_view Key, TStrings& List, const std::filesystem::path& Store = UserRegistryPath());
// ReadList; when it fails, adds the defaults that the list does not hold yet.
void LoadList(std::string_view Key, TStrings& List, std::span<const std::string_view> Defaults,
              const std::filesystem::path& Store = UserRegistryPath());
// Replaces the stored key with the list's content. Errors writing values are swallowed.
void WriteList(std::string_view Key, const TStrings& List, const std::filesystem::path& Store = UserRegistryPath());

// The three lists as the editor window loads them: no-captions, captions, default captions.
struct TClassLists {
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
  TStringList DefaultCaptions;
};
void LoadClassLists(TClassLists& Lists, const std::filesystem::path& Store = UserRegistryPath());
void SaveClassLists(const TClassLists& Lists, const std::filesystem::path& Store = UserRegistryPath());

}  // namespace keyloom
