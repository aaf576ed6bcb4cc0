#include "settings/setting_fields.h"

#include <charconv>

namespace zelvora {
namespace {

constexpr SettingField kFields[] = {
    {"WriteFmtStr", &TSetting::WriteFmtStr},
    {"KeepTimeStamp", &TSetting::KeepTimeStamp},
    {"Backup", &TSetting::Backup},
    {"EnableAvoidList", &TSetting::EnableAvoidList},
    {"LinkWrite", &TSetting::LinkWrite},
    {"Log", &TSetting::Log},
    {"OpenWriteF", &TSetting::OpenWriteF},
    {"RestrictLinkNest", &TSetting::RestrictLinkNest},
    {"UseNN", &TSetting::UseNN},
    {"BackupGenes", &TSetting::BackupGenes},
    {"MaxLinkNest", &TSetting::MaxLinkNest},
    {"MaxLog", &TSetting::MaxLog},
    {"WriteFmtIdx", &TSetting::WriteFmtIdx},
    {"AvoidList", &TSetting::AvoidList},
    {"AssignWriteFmt", &TSetting::AssignWriteFmt},
    {"ErrCope", &TSetting::ErrCope},
    {"UseGitDates", &TSetting::UseGitDates, true},
    {"SiteRoot", &TSetting::SiteRoot, true},
    {"FollowAnyAnchor", &TSetting::FollowAnyAnchor, true},
};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

Status BadValue(std::string_view name, std::string_view wanted, std::string_view value) {
  return Status::Error("setting " + Quoted(name) + " needs " + std::string(wanted) + ", not " +
                       Quoted(value));
}

Result<int32_t> ParseDecimal(std::string_view name, std::string_view value) {
  int32_t number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error == std::errc::result_out_of_range) {
    return BadValue(name, "a decimal number from -2147483648 to 2147483647", value);
  }
  if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
    return BadValue(name, "a decimal number", value);
  }
  return number;
}

std::vector<std::string> SplitList(std::string_view value) {
  std::vector<std::string> entries;
  if (value.empty()) return entries;
  while (true) {
    const size_t comma = value.find(',');
    entries.emplace_back(value.substr(0, comma));
    if (comma == std::string_view::npos) return entries;
    value.remove_prefix(comma + 1);
  }
}

Status ApplyValue(TSetting& setting, const SettingField& field, std::string_view value) {
  return std::visit(Overloaded{
                        [&](std::string TSetting::*text) {
                          setting.*text = std::string(value);
                          return Status::Ok();
                        },
                        [&](bool TSetting::*flag) {
                          if (value != "0" && value != "1")
                            return BadValue(field.name, "0 or 1", value);
                          setting.*flag = value == "1";
                          return Status::Ok();
                        },
                        [&](int32_t TSetting::*number) {
                          const auto parsed = ParseDecimal(field.name, value);
                          if (!parsed.ok()) return parsed.status();
                          setting.*number = *parsed;
                          return Status::Ok();
                        },
                        [&](int8_t TSetting::*small) {
                          const auto parsed = ParseDecimal(field.name, value);
                          if (!parsed.ok()) return parsed.status();
                          setting.*small = LowByteAsSigned(*parsed);
                          return Status::Ok();
                        },
                        [&](std::vector<std::string> TSetting::*list) {
                          setting.*list = SplitList(value);
                          return Status::Ok();
                        },
                    },
                    field.member);
}

void DescribeField(const TSetting& setting, const SettingField& field,
                   std::vector<std::string>& lines) {
  const std::string prefix = std::string(field.name) + "=";
  std::visit(
      Overloaded{
          [&](std::string TSetting::*text) { lines.push_back(prefix + setting.*text); },
          [&](bool TSetting::*flag) { lines.push_back(prefix + (setting.*flag ? "1" : "0")); },
          [&](int32_t TSetting::*number) {
            lines.push_back(prefix + std::to_string(setting.*number));
          },
          [&](int8_t TSetting::*small) {
            lines.push_back(prefix + std::to_string(int32_t{setting.*small}));
          },
          [&](std::vector<std::string> TSetting::*list) {
            const std::vector<std::string>& entries = setting.*list;
            for (size_t i = 0; i < entries.size(); ++i) {
              lines.push_back(std::string(field.name) + std::to_string(i) + "=" + entries[i]);
            }
          },
      },
      field.member);
}

}  // namespace

std::span<const SettingField> SettingFields() { return kFields; }

int8_t LowByteAsSigned(int32_t stored) {
  return static_cast<int8_t>(static_cast<uint8_t>(stored & 0xff));
}

Status ApplySettingOverride(TSetting& setting, std::string_view assignment) {
  const size_t equals = assignment.find('=');
  if (equals == std::string_view::npos) {
    return Status::Error("setting override " + Quoted(assignment) + " needs the form NAME=VALUE");
  }
  const std::string_view name = assignment.substr(0, equals);
  for (const SettingField& field : kFields) {
    if (field.name == name) return ApplyValue(setting, field, assignment.substr(equals + 1));
  }
  return Status::Error("unknown setting " + Quoted(name));
}

std::vector<std::string> DescribeSettings(const TSetting& setting) {
  std::vector<std::string> lines;
  for (const SettingField& field : kFields) DescribeField(setting, field, lines);
  return lines;
}

}  // namespace zelvora
