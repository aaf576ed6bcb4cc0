#include "gui/components/history_combo_box.h"

#include <QLineEdit>
#include <algorithm>

namespace zelvora::gui {
namespace {

// True when `text` holds nothing but blanks and control characters.
bool IsBlank(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0x20; });
}

}  // namespace

THistoryComboBox::THistoryComboBox(RegistryStore& store, QWidget* parent)
    : QComboBox(parent), store_(store) {
  setEditable(true);
  // Only AddHistory puts texts in the list; Enter in the text field adds nothing by itself.
  setInsertPolicy(QComboBox::NoInsert);
  setDuplicatesEnabled(true);
  // A file name is typed exactly as it is meant: no completion from the list.
  setCompleter(nullptr);
}

void THistoryComboBox::SetRegKey(const std::string& key) {
  registry_key_ = key.ends_with('\\') ? key : key + '\\';
}

std::string THistoryComboBox::HistoryKey() const {
  return registry_key_ + (sub_key_.empty() ? objectName().toStdString() : sub_key_);
}

void THistoryComboBox::ClearList() {
  const QString text = currentText();
  clear();
  setEditText(text);
}

void THistoryComboBox::LoadHistory() {
  if (registry_key_.empty()) return;
  const auto key = zelvora::RegistryKey::Open(store_, HistoryKey(), false);
  if (!key.ok()) return;
  const QString text = currentText();
  clear();
  for (int n = 0; n <= history_count_; ++n) {
    // A value of another type than text is passed over like a missing one.
    const auto entry = key->ReadString(std::to_string(n));
    if (entry.ok()) addItem(QString::fromStdString(*entry));
  }
  // Adding the first item selects it; the text field keeps what it held.
  setEditText(text);
}

void THistoryComboBox::AddHistory() {
  const QString text = currentText();
  if (IsBlank(text)) return;
  for (int i = count() - 1; i >= 0; --i) {
    if (itemText(i) == text) removeItem(i);
  }
  insertItem(0, text);
  setCurrentIndex(0);
  const int keep = std::max(history_count_, 0);
  while (count() > keep) removeItem(count() - 1);
  if (count() == 0) setEditText(text);
  SaveHistory();
}

void THistoryComboBox::SaveHistory() {
  if (registry_key_.empty()) return;
  const std::string key_path = HistoryKey();
  // One change of the store for the whole list: another process never reads it half written,
  // and a list that cannot be written leaves the stored one as it was.
  zelvora::RegistryStore::Batch batch(store_);
  (void)store_.DeleteKey(key_path);  // a missing key is no failure
  const auto key = zelvora::RegistryKey::Open(store_, key_path, true);
  if (!key.ok()) return;
  for (int i = 0; i < count(); ++i) {
    if (!key->WriteString(std::to_string(i), itemText(i).toStdString()).ok()) return;
  }
  (void)batch.Commit();
}

void THistoryComboBox::ClearHistory() {
  ClearList();
  SaveHistory();
}

}  // namespace zelvora::gui
