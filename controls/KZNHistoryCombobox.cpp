#include "KZNHistoryCombobox.h"

#include <QLineEdit>

#include "CP932Qt.h"

TKZNHistoryComboBox::TKZNHistoryComboBox(QWidget* Parent) : QComboBox(Parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

std::string TKZNHistoryComboBox::Text() const { return cp932::FromQString(currentText()); }

void TKZNHistoryComboBox::SetText(const std::string& Value) { setEditText(cp932::ToQString(Value)); }

void TKZNHistoryComboBox::AddHistory() {
    const QString t = currentText();
    if (t.isEmpty()) return;
    int found = -1;
    for (int i = count() - 1; i >= 0; --i)
        if (itemText(i) == t) {
            found = i;
            break;
        }
    if (found >= 0) removeItem(found);
    insertItem(0, t);
    // removing or inserting an item may move the current item; the text stays
    setCurrentIndex(0);
    setEditText(t);
    if (found >= 0 && lineEdit()) lineEdit()->selectAll();
}
