#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "plugin/common.h"
#include "plugin/run.h"

namespace vostrel {
namespace {

namespace fs = std::filesystem;

TEST(SplitBarcode18, TakesIsbnClassificationAndPrice) {
  struct Case {
    const char* label;
    std::string line, isbn, ccode, price;
  };
  const Case cases[] = {
      {"one leading zero dropped", "4123456789C1920980", "4123456789", "C192", "980"},
      {"never more than one", "4123456789C1920098", "4123456789", "C192", "098"},
      {"no leading zero", "4123456789C1921200", "4123456789", "C192", "1200"},
      {"0000 means no price", "4123456789C1920000", "4123456789", "C192", ""},
      {"classification taken whatever it holds", "4123456789ab!?1500", "4123456789", "ab!?",
       "1500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    rec.Isbn = c.line;
    SplitBarcode18(c.line, rec);
    EXPECT_EQ(rec.Isbn, c.isbn);
    EXPECT_EQ(rec.CCode, c.ccode);
    EXPECT_EQ(rec.Price, c.price);
  }
}

TEST(SplitBarcode26, FillsWhatThePageLeftEmpty) {
  struct Case {
    const char* label;
    std::string line, ccodeBefore, priceBefore, ccode, price;
  };
  const Case cases[] = {
      {"price read as a number", "9784123456789XXX1920001200", "", "", "1920", "1200"},
      {"not a number gives 0", "9784123456789XXX19200012a0", "", "", "1920", "0"},
      {"all zeros", "9784123456789XXX1920000000", "", "", "1920", "0"},
      {"page price kept", "9784123456789XXX1920001200", "", "1,500", "1920", "1,500"},
      {"classification kept", "9784123456789XXX1920001200", "C0093", "", "C0093", "1200"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    rec.Isbn = c.line;
    rec.CCode = c.ccodeBefore;
    rec.Price = c.priceBefore;
    SplitBarcode26(rec);
    EXPECT_EQ(rec.Isbn, "9784123456789");
    EXPECT_EQ(rec.CCode, c.ccode);
    EXPECT_EQ(rec.Price, c.price);
  }
}

TEST(FillDefaults, ReadsTheHostSettingsOnlyForEmptyFields) {
  const fs::path dir = fs::temp_directory_path() / ("vostrel-defaults-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string ini = (dir / "Setting.ini").string();

  struct Case {
    const char* label;
    const char* settings;  // null: no file
    std::string purchase, tax, tax2, read;
  };
  const Case cases[] = {
      {"no settings file", nullptr, "購入", "0", "0", "既読"},
      {"keys missing", "[Entry]\r\nOther=1\r\n", "購入", "0", "0", "既読"},
      {"keys in another section", "[Other]\r\nTaxSet=5\r\n", "購入", "0", "0", "既読"},
      {"keys present", "[Entry]\r\nPurachaseSet=予約\r\nTaxSet=1\r\nReadSet=未読\r\n", "予約", "1",
       "1", "未読"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(ini);
    if (c.settings != nullptr)
      std::ofstream(ini, std::ios::binary) << c.settings;
    TBase rec;
    FillDefaults(ini, rec);
    EXPECT_EQ(rec.PurchaseState, c.purchase);
    EXPECT_EQ(rec.TaxSetting, c.tax);
    EXPECT_EQ(rec.TaxSetting2, c.tax2);
    EXPECT_EQ(rec.ReadState, c.read);
  }

  // A field the page already filled is left alone.
  TBase rec;
  rec.ReadState = "読書中";
  FillDefaults(ini, rec);
  EXPECT_EQ(rec.ReadState, "読書中");
  fs::remove_all(dir);
}

TEST(BindHost, AbsentHostAndAMainProgramWithoutTheFunctions) {
  // The test program is not the host and exports none of the host's functions: both
  // messages are shown, in order, and binding fails with the module released.
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(BindHost());
  const std::string messages = ::testing::internal::GetCapturedStderr();
  const std::string hostPath = platform::JoinPath(platform::MainExecutableDirectory(), "zelkon");
  const std::string want =
      "error: " + hostPath + reinterpret_cast<const char*>(u8"がありません。\n") +
      reinterpret_cast<const char*>(
          u8"error: "
          u8"関数がありません。Bookvane、または、プラグインのバージョンが古い可能性があります。\n");
  EXPECT_EQ(messages, want);
  ReleaseHost();
  EXPECT_EQ(Host.module, nullptr);
}

}  // namespace
}  // namespace vostrel
