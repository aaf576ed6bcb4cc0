// The fields of TSetting by name, in one table shared by the settings store, the command
// line's overrides (--set NAME=VALUE) and its listing (--show-settings), so that each field's
// name is written once.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/status.h"
#include "settings/setting.h"

namespace zelvora {

// The member that a field names. Its type is the field's kind: a text, a switch, a number, an
// 8-bit number (stored widened to 32 bits) or the list of texts.
using SettingMember = std::variant<std::string TSetting::*, bool TSetting::*, int32_t TSetting::*,
                                   int8_t TSetting::*, std::vector<std::string> TSetting::*>;

// Handlers for std::visit over a SettingMember, one per kind.
template <typename... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
// clang 14 does not deduce an aggregate's template arguments by itself.
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

struct SettingField {
  std::string_view name;  // the field's name, also its name in the store
  SettingMember member;
};

// Every field of TSetting, in declared order.
std::span<const SettingField> SettingFields();

// The value of an 8-bit field from a stored 32-bit number: only its low 8 bits count, taken
// as a signed number (258 gives 2, 255 gives -1).
int8_t LowByteAsSigned(int32_t stored);

// Sets one field from "NAME=VALUE", VALUE written as the store holds it: 0 or 1 for a switch,
// a decimal number in the 32-bit range for a number (an 8-bit field keeps the low 8 bits as
// LowByteAsSigned), the text as it is for a text; "AvoidList=a,b,c" sets the whole list and
// "AvoidList=" empties it. Fails, leaving `setting` unchanged, with a one-line usage message
// naming the problem when NAME is no field or VALUE does not fit its kind. No range
// correction: the caller applies ClampSetting after the last override.
Status ApplySettingOverride(TSetting& setting, std::string_view assignment);

// One "NAME=VALUE" line per field in declared order (switches 0 or 1, numbers in decimal,
// texts as they are); the list gives one line per entry, "AvoidList0=…", "AvoidList1=…", in
// its place, and none when it is empty.
std::vector<std::string> DescribeSettings(const TSetting& setting);

}  // namespace zelvora
