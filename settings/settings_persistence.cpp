#include "settings/settings_persistence.h"

#include <algorithm>
#include <functional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/program_folder.h"
#include "settings/setting_fields.h"

namespace zelvora {
namespace {

// The store name of list entry `index`: the field's name followed by the index.
std::string EntryName(std::string_view list_name, size_t index) {
  return std::string(list_name) + std::to_string(index);
}

// A text that may be missing: missing reads as empty, another type fails.
Result<std::string> ReadOptionalText(const RegistryKey& key, std::string_view name) {
  auto text = key.ReadString(name);
  if (IsMissingValue(text.status())) return std::string();
  return text;
}

// The fields in the order the store is read: declared order, except that KeepTimeStamp
// comes after EnableAvoidList.
std::vector<const SettingField*> LoadOrder() {
  std::vector<const SettingField*> order;
  for (const SettingField& field : SettingFields()) order.push_back(&field);
  const auto is = [](SettingMember member) {
    return [member](const SettingField* field) { return field->member == member; };
  };
  const auto keep = std::find_if(order.begin(), order.end(), is(&TSetting::KeepTimeStamp));
  const auto avoid = std::find_if(order.begin(), order.end(), is(&TSetting::EnableAvoidList));
  if (keep < avoid) std::rotate(keep, keep + 1, avoid + 1);
  return order;
}

// Reads the entries AvoidList0, AvoidList1, ... up to the first index that does not exist.
Status ReadList(const RegistryKey& key, std::string_view list_name,
                std::vector<std::string>& list) {
  list.clear();
  for (size_t index = 0;; ++index) {
    const std::string name = EntryName(list_name, index);
    const auto exists = key.ValueExists(name);
    if (!exists.ok()) return exists.status();
    if (!*exists) return Status::Ok();
    auto entry = key.ReadString(name);
    if (!entry.ok()) return entry.status();
    list.push_back(std::move(entry).value());
  }
}

Status ReadField(const RegistryKey& key, const SettingField& field, TSetting& setting) {
  const auto read_number = [&](auto apply) {
    const auto number = key.ReadInteger(field.name);
    if (!number.ok()) return number.status();
    apply(*number);
    return Status::Ok();
  };
  return std::visit(
      Overloaded{
          [&](std::string TSetting::*text) {
            auto value = ReadOptionalText(key, field.name);
            if (!value.ok()) return value.status();
            setting.*text = std::move(value).value();
            return Status::Ok();
          },
          [&](bool TSetting::*flag) {
            return read_number([&](int32_t number) { setting.*flag = number != 0; });
          },
          [&](int32_t TSetting::*number) {
            return read_number([&](int32_t stored) { setting.*number = stored; });
          },
          [&](int8_t TSetting::*small) {
            return read_number([&](int32_t stored) { setting.*small = LowByteAsSigned(stored); });
          },
          [&](std::vector<std::string> TSetting::*list) {
            return ReadList(key, field.name, setting.*list);
          },
      },
      field.member);
}

Status ReadNumber(const RegistryKey& key, const char* name, int32_t& target) {
  const auto number = key.ReadInteger(name);
  if (!number.ok()) return number.status();
  target = *number;
  return Status::Ok();
}

Status ReadText(const RegistryKey& key, const char* name, std::string& target) {
  auto text = ReadOptionalText(key, name);
  if (!text.ok()) return text.status();
  target = std::move(text).value();
  return Status::Ok();
}

// Steps 1 to 10 of loading; stops at the first failure, keeping what was read before it, and
// names the value that failed in `failed_value` (left alone when a key could not be opened).
Status ReadStore(RegistryStore& store, TSetting& setting, ExitState& exit_state,
                 ProgressOffset& progress_offset, std::string& failed_value) {
  const auto exit_key = RegistryKey::Open(store, kExitStateKey, true);
  if (!exit_key.ok()) return exit_key.status();
  const std::pair<const char*, std::function<Status()>> exit_values[] = {
      {"MWLeft", [&] { return ReadNumber(*exit_key, "MWLeft", exit_state.MWLeft); }},
      {"MWTop", [&] { return ReadNumber(*exit_key, "MWTop", exit_state.MWTop); }},
      {"WriteFName", [&] { return ReadText(*exit_key, "WriteFName", exit_state.WriteFName); }},
      {"FileSelFolder",
       [&] { return ReadText(*exit_key, "FileSelFolder", exit_state.FileSelFolder); }},
      {"PWLeft", [&] { return ReadNumber(*exit_key, "PWLeft", progress_offset.PWLeft); }},
      {"PWTop", [&] { return ReadNumber(*exit_key, "PWTop", progress_offset.PWTop); }},
  };
  for (const auto& [name, read] : exit_values) {
    const Status status = read();
    if (!status.ok()) {
      failed_value = std::string("ExitState\\") + name;
      return status;
    }
  }

  const auto preference_key = RegistryKey::Open(store, kPreferenceKey, true);
  if (!preference_key.ok()) return preference_key.status();
  for (const SettingField* field : LoadOrder()) {
    const Status status = ReadField(*preference_key, *field, setting);
    if (status.ok()) continue;
    if (!field->optional_in_store) {
      failed_value = "Preference\\" + std::string(field->name);
      return status;
    }
    // A store from before the field existed, or a value the program cannot read as the
    // field: the field keeps its default, and the settings read so far stay.
    std::visit([&setting](auto member) { setting.*member = TSetting().*member; }, field->member);
  }
  return Status::Ok();
}

// Writes AvoidList0 ... for the entries, then deletes the values that follow them up to the
// first index that does not exist.
Status WriteList(const RegistryKey& key, std::string_view list_name,
                 const std::vector<std::string>& list) {
  for (size_t index = 0; index < list.size(); ++index) {
    const Status status = key.WriteString(EntryName(list_name, index), list[index]);
    if (!status.ok()) return status;
  }
  for (size_t index = list.size();; ++index) {
    const std::string name = EntryName(list_name, index);
    const auto exists = key.ValueExists(name);
    if (!exists.ok()) return exists.status();
    if (!*exists) return Status::Ok();
    const Status status = key.DeleteValue(name);
    if (!status.ok()) return status;
  }
}

Status WriteField(const RegistryKey& key, const SettingField& field, const TSetting& setting) {
  return std::visit(
      Overloaded{
          [&](std::string TSetting::*text) { return key.WriteString(field.name, setting.*text); },
          [&](bool TSetting::*flag) { return key.WriteInteger(field.name, setting.*flag ? 1 : 0); },
          [&](int32_t TSetting::*number) { return key.WriteInteger(field.name, setting.*number); },
          [&](int8_t TSetting::*small) {
            return key.WriteInteger(field.name, int32_t{setting.*small});  // sign-extended
          },
          [&](std::vector<std::string> TSetting::*list) {
            return WriteList(key, field.name, setting.*list);
          },
      },
      field.member);
}

// a - b with 32-bit wrap-around, so that absurd stored positions cannot overflow.
int32_t Difference(int32_t a, int32_t b) { return static_cast<int32_t>(int64_t{a} - b); }

Status WriteOptions(RegistryStore& store, const TSetting& setting) {
  const auto preference_key = RegistryKey::Open(store, kPreferenceKey, true);
  if (!preference_key.ok()) return preference_key.status();
  for (const SettingField& field : SettingFields()) {
    const Status status = WriteField(*preference_key, field, setting);
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

Status WriteExitStateAndOptions(RegistryStore& store, const TSetting& setting,
                                const ExitState& exit_state, const ProgressOffset& progress_offset,
                                std::optional<WindowPosition> progress_dialog) {
  const auto exit_key = RegistryKey::Open(store, kExitStateKey, true);
  if (!exit_key.ok()) return exit_key.status();
  const ProgressOffset offset =
      progress_dialog ? ProgressOffset{Difference(progress_dialog->left, exit_state.MWLeft),
                                       Difference(progress_dialog->top, exit_state.MWTop)}
                      : progress_offset;
  Status status = exit_key->WriteInteger("MWLeft", exit_state.MWLeft);
  if (status.ok()) status = exit_key->WriteInteger("MWTop", exit_state.MWTop);
  if (status.ok()) status = exit_key->WriteString("WriteFName", exit_state.WriteFName);
  if (status.ok()) status = exit_key->WriteString("FileSelFolder", exit_state.FileSelFolder);
  if (status.ok()) status = exit_key->WriteInteger("PWLeft", offset.PWLeft);
  if (status.ok()) status = exit_key->WriteInteger("PWTop", offset.PWTop);
  if (!status.ok()) return status;

  return WriteOptions(store, setting);
}

Status AddMissingExitStateValues(RegistryStore& store) {
  const auto exit_key = RegistryKey::Open(store, kExitStateKey, true);
  if (!exit_key.ok()) return exit_key.status();
  ExitState first_start;
  first_start.FileSelFolder = FirstFileDialogFolder();
  const ProgressOffset first_offset;
  const auto add = [&](std::string_view name, const auto& value) -> Status {
    const auto exists = exit_key->ValueExists(name);
    if (!exists.ok()) return exists.status();
    if (*exists) return Status::Ok();
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
      return exit_key->WriteString(name, value);
    } else {
      return exit_key->WriteInteger(name, value);
    }
  };
  Status status = add("MWLeft", first_start.MWLeft);
  if (status.ok()) status = add("MWTop", first_start.MWTop);
  if (status.ok()) status = add("WriteFName", first_start.WriteFName);
  if (status.ok()) status = add("FileSelFolder", first_start.FileSelFolder);
  if (status.ok()) status = add("PWLeft", first_offset.PWLeft);
  if (status.ok()) status = add("PWTop", first_offset.PWTop);
  return status;
}

}  // namespace

Status LoadSettings(RegistryStore& store, TSetting& setting, ExitState& exit_state,
                    ProgressOffset& progress_offset, std::string* failed_value) {
  // One reading of the store for every value; the keys that opening creates are written in
  // one change at the end.
  RegistryStore::Batch batch(store);
  std::string failed;
  Status status = ReadStore(store, setting, exit_state, progress_offset, failed);
  if (failed_value != nullptr) *failed_value = failed;
  const Status created = batch.Commit();
  if (status.ok()) status = created;
  if (!status.ok()) {
    exit_state.MWLeft = 0;
    exit_state.MWTop = 0;
    exit_state.FileSelFolder = FirstFileDialogFolder();
    setting = TSetting();
  }
  ClampSetting(setting);
  return status;
}

Status SaveSettings(RegistryStore& store, const TSetting& setting, const ExitState& exit_state,
                    const ProgressOffset& progress_offset,
                    std::optional<WindowPosition> progress_dialog) {
  // The whole record in one locked replace of the store: what was written before a failure
  // still reaches it.
  RegistryStore::Batch batch(store);
  const Status status =
      WriteExitStateAndOptions(store, setting, exit_state, progress_offset, progress_dialog);
  const Status written = batch.Commit();
  return status.ok() ? written : status;
}

Status SaveOptions(RegistryStore& store, const TSetting& setting) {
  RegistryStore::Batch batch(store);
  const Status status = WriteOptions(store, setting);
  const Status written = batch.Commit();
  return status.ok() ? written : status;
}

Status AddMissingExitState(RegistryStore& store) {
  RegistryStore::Batch batch(store);
  const Status status = AddMissingExitStateValues(store);
  const Status written = batch.Commit();
  return status.ok() ? written : status;
}

}  // namespace zelvora
