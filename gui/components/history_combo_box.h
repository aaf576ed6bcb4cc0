// THistoryComboBox: an editable combo box whose drop-down list is a most-recently-used
// history of the texts committed in it, kept in the settings store so that it outlives the
// program.
//
// Store layout: the key RegistryKey() + SubKey() (or + objectName() when SubKey() is empty)
// holds only the history, one string value per entry named by its list index in decimal,
// "0" the newest. Every save deletes the key and writes it anew, so the names run from "0"
// without gaps. Store failures are silent: a key that cannot be opened leaves the list as it
// is on loading and writes nothing on saving.
//
// The owner decides when a text counts as committed and calls AddHistory then; the owner
// reads the chosen text from the text field (currentText()), never from the list.
#pragma once

#include <QComboBox>
#include <QString>
#include <string>

#include "platform/registry_store.h"

namespace zelvora::gui {

class THistoryComboBox : public QComboBox {
  Q_OBJECT

 public:
  // `store` is not owned and must outlive the box.
  explicit THistoryComboBox(RegistryStore& store, QWidget* parent = nullptr);

  // Most entries AddHistory leaves in the list; 10 until set. A smaller number shortens the
  // list only at the next AddHistory.
  int GetHistoryCount() const { return history_count_; }
  void SetHistoryCount(int count) { history_count_ = count; }

  // The parent key below HKEY_CURRENT_USER, kept with a trailing backslash: SetRegKey("")
  // stores "\". Nothing is loaded or saved.
  const std::string& RegistryKey() const { return registry_key_; }
  void SetRegKey(const std::string& key);
  // The key of the history relative to RegistryKey(); may hold several levels.
  const std::string& SubKey() const { return sub_key_; }
  void SetSubKey(const std::string& sub_key) { sub_key_ = sub_key; }

  // Replaces the list with the stored history: the values "0" .. HistoryCount (one more than
  // HistoryCount) that exist and hold a text, in that order; gaps close up. The text field
  // keeps its text. Nothing happens when RegistryKey() is empty or the key cannot be opened.
  void LoadHistory();
  // Commits the text field's text: unless it is blank (nothing but characters up to and
  // including the space), removes every entry equal to it (exact comparison, untrimmed),
  // puts it at the top, selects it, cuts the list to HistoryCount entries and saves.
  void AddHistory();
  // Writes the list to the store (see the layout above).
  void SaveHistory();
  // Empties the list, keeping the text field's text, and saves an empty key.
  void ClearHistory();

 private:
  // The store key of the history.
  std::string HistoryKey() const;
  // Empties the list without touching the text field.
  void ClearList();

  RegistryStore& store_;
  int history_count_ = 10;
  std::string registry_key_;
  std::string sub_key_;
};

}  // namespace zelvora::gui
