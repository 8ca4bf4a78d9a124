#include <keyloom/default_lists.hpp>
#include <keyloom/design/options_store.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace keyloom {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Strings(std::span<const std::string_view> Table) {
  return {Table.begin(), Table.end()};
}

class OptionsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("keyloom-opt-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    Store = Dir / "user.reg";
  }
  void TearDown() override { fs::remove_all(Dir); }
  void Put(std::string_view Key, std::initializer_list<std::pair<const char*, std::string>> Strings,
           std::optional<int> Count) {
    TRegistry R(Store);
    R.DeleteKey(Key);
    R.OpenKey(Key, true);
    if (Count) R.WriteInteger("Count", *Count);
    for (const auto& [Name, Value] : Strings) R.WriteString(Name, Value);
  }
  fs::path Dir, Store;
};

TEST_F(OptionsStoreTest, FirstUseGivesTheDefaultsAndLeavesEmptyKeys) {
  TClassLists Lists;
  LoadClassLists(Lists, Store);
  EXPECT_EQ(Lists.CaptionClasses.Items(), Strings(DefaultCaptionClasses));
  EXPECT_EQ(Lists.NoCaptionClasses.Items(), Strings(DefaultNoCaptionClasses));
  EXPECT_EQ(Lists.DefaultCaptions.Items(), Strings(DefaultDefaultCaptions));
  TRegistry R(Store);
  ASSERT_TRUE(R.OpenKey(CaptionsKey, false));
  EXPECT_FALSE(R.ValueExists("Count"));
}

TEST_F(OptionsStoreTest, ACountOfZeroIsAnEmptyList) {
  Put(CaptionsKey, {}, 0);
  TStringList List;
  LoadList(CaptionsKey, List, DefaultCaptionClasses, Store);
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(OptionsStoreTest, AReadThatFailsPartWayKeepsWhatItReadAndAddsTheOtherDefaults) {
  Put(CaptionsKey, {{"String0", "tbuttoncontrol"}}, 3);
  TStringList List;
  LoadList(CaptionsKey, List, DefaultCaptionClasses, Store);
  EXPECT_EQ(List.Items(), (std::vector<std::string>{"tbuttoncontrol", "TCustomLabel", "TCustomStaticText",
                                                    "TTabSheet", "TRadioGroup"}));
}

TEST_F(OptionsStoreTest, SavingAShorterListLeavesNoValueOfTheLongerOne) {
  TStringList Long, Short;
  Long.Assign(std::vector<std::string>{"a", "b", "c", "d", "e"});
  Short.Assign(std::vector<std::string>{"E&xit", "Save as ..."});
  WriteList(DefaultCaptionsKey, Long, Store);
  WriteList(DefaultCaptionsKey, Short, Store);
  TRegistry R(Store);
  R.OpenKey(DefaultCaptionsKey, false);
  EXPECT_EQ(R.ReadInteger("Count"), 2);
  EXPECT_FALSE(R.ValueExists("String2"));
  TStringList Back;
  EXPECT_TRUE(ReadList(DefaultCaptionsKey, Back, Store));
  EXPECT_EQ(Back.Items(), Short.Items());
}

TEST_F(OptionsStoreTest, SavedListsLoadBackAsSaved) {
  TClassLists Lists;
  LoadClassLists(Lists, Store);
  Lists.NoCaptionClasses.Delete(4);
  Lists.CaptionClasses.Add("TBevel");
  SaveClassLists(Lists, Store);
  TClassLists Again;
  LoadClassLists(Again, Store);
  EXPECT_EQ(Again.NoCaptionClasses.Items(), Lists.NoCaptionClasses.Items());
  EXPECT_EQ(Again.CaptionClasses.Items(), Lists.CaptionClasses.Items());
}

}  // namespace
}  // namespace keyloom
