// Date texts: the eight date templates offered to the user, the choice of the format in
// force, and the format language that turns a date-time into the text written into a page.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/date_time.h"
#include "platform/regional_settings.h"
#include "settings/setting.h"

namespace zelvora {

// The date templates in TSetting::WriteFmtIdx order. Each is a format, two blanks and an
// example in full-width brackets; the settings dialog lists the whole strings.
inline constexpr std::array<std::string_view, 8> kDateTemplates = {
    "yyyy/mm/dd  【1999/01/03】",
    "yyyy/mm/dd hh:mm  【1999/01/03 14:07】",
    "yy/mm/dd  【99/01/03】",
    "mm/dd  【01/03】",
    "yyyy\"年\"m\"月\"d\"日\"  【1999年1月3日】",
    "yyyy\"年\"m\"月\"d\"日\" h\"時\"m\"分\"  【1999年1月3日 14時7分】",
    "yy\"年\"m\"月\"d\"日\"  【99年1月3日】",
    "m\"月\"d\"日\"  【1月3日】",
};

// The format part of a template: everything before the first two blanks followed by "【";
// the whole text when it holds no such sequence.
std::string_view TemplateFormat(std::string_view template_text);

// The format in force under `setting`: WriteFmtStr unchanged when AssignWriteFmt is 1,
// otherwise the format part of template WriteFmtIdx (an index outside 0..7 is taken as the
// nearest valid one).
std::string CurrentDateFormat(const TSetting& setting);

// The text of `time` under `format` in the format language, with names, separators and the
// short and long date and time formats taken from `regional`. An empty format is read as
// "c". The format and the result are UTF-8; bytes of the format that are not UTF-8 come out
// as "?", so the result is always valid UTF-8. Never fails; the work is linear in the
// length of the format.
std::string FormatDate(std::string_view format, DateTime time, const RegionalSettings& regional);

}  // namespace zelvora
