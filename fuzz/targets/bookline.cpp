// The output line of a record whose 66 fields hold arbitrary bytes.
//
// Input: the fields 1 to 66, separated by the part separator; missing ones are empty.
#include "common/checks.h"
#include "common/support.h"
#include "common/target.h"

VOSTREL_FUZZ_SELF_CHECK(bookline) {
  using namespace vostrel;
  TBase rec;
  FUZZ_CHECK(BuildBookLine(rec) == std::string(67, ','));
  rec.Isbn = "123";
  rec.Author1Reading = "ヤマダ タロウ";
  rec.Summary = "一行目\r\n二行目, \"引用\"";
  const std::string line = BuildBookLine(rec);
  // Items 1, 7 and 37 set; the reading and the summary quoted for their spaces.
  FUZZ_CHECK(line == "123" + std::string(6, ',') + "\"ﾔﾏﾀﾞ ﾀﾛｳ\"" + std::string(30, ',') +
                         "\"一行目$$二行目， ”引用”\"" + std::string(31, ','));
}

VOSTREL_FUZZ_TARGET(bookline) {
  using namespace vostrel;
  const auto parts = fuzz::SplitParts(fuzz::AsText(data, size), 66);
  TBase rec;
  for (int k = 1; k <= 66; ++k)
    rec.Field(k) = std::string(parts[static_cast<std::size_t>(k - 1)].value_or(""));
  const std::string reading = rec.TitleReading;
  fuzz::CheckRecordLine(rec);
  // The readings are stored half-width.
  FUZZ_CHECK(rec.TitleReading == ToHalfWidth(reading));
}
