#include "fuzz/fuzz_world.h"

namespace zelvora::fuzzing {

FuzzWorld::FuzzWorld(FuzzedDataProvider& input) {
  settings.WriteFmtIdx = input.ConsumeIntegralInRange<int32_t>(-1, 8);
  settings.LinkWrite = input.ConsumeBool();
  settings.EnableAvoidList = input.ConsumeBool();
  settings.RestrictLinkNest = input.ConsumeBool();
  settings.MaxLinkNest = input.ConsumeIntegralInRange<int32_t>(0, 3);
  settings.ErrCope = input.ConsumeIntegralInRange<int8_t>(kErrCopeAbort, kErrCopeAsk);
  host.script = input.ConsumeIntegral<uint32_t>();
  if (input.ConsumeBool()) {
    settings.AssignWriteFmt = 1;
    settings.WriteFmtStr = input.ConsumeRandomLengthString(32);
  }
  AddSite();
}

FuzzWorld::FuzzWorld(const FuzzWorld& other) : settings(other.settings) {
  host.script = other.host.script;
  AddSite();
}

void FuzzWorld::AddSite() {
  // Dates inside and outside the range of DOS date-times, names in several spellings.
  fs.AddFile("/site/a.htm", "<html><body><a href=\"index.htm\">top</a></body></html>\n",
             1010797200);
  fs.AddFile("/site/b.html", "<frameset><frame src=\"a.htm\"></frameset>\n", 915340050);
  fs.AddFile("/site/news/2024-05.htm", "<p>May</p>\n", 1715000000);
  fs.AddFile("/site/news/2024-06.htm", "<p>June</p>\n", 1717800000);
  fs.AddFile("/site/news/old/1999.htm", "<p>1999</p>\n", 915340050);
  fs.AddFile("/site/photos/neko.gif", "GIF89a", 1600000000);
  fs.AddFile("/site/photos/Yuuhi.PNG", "\x89PNG", 1600000002);
  fs.AddFile("/site/日記.htm", "<p>日記</p>\n", 0);
  fs.AddFile("/site/\x93\xfa\x8b\x4c.htm", "<p>sjis</p>\n", 4102444800);  // 2100/01/01
  fs.AddFile("/site/.zelvora-0123456789abcdef.tmp", "left over", 1714964646);
  fs.AddFile("/site/NoExtension", "plain", -86400);
  fs.AddFile("/top.htm", "<a href=site/index.htm>site</a>\n", 1700000000);
  fs.AddFolder("/site/empty");
}

}  // namespace zelvora::fuzzing
