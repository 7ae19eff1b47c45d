#include "address_box.h"

#include <QLineEdit>

namespace qova::desktop {

CAddressBox::CAddressBox(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("addressBox"));
    setEditable(true);
    // The list is the history's, in the history's order; Enter polls instead of
    // adding the text to it.
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setMaxVisibleItems(10);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) {
            setEditText(itemText(index));
        }
        emit picked(currentText());
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, &CAddressBox::edited);
}

void CAddressBox::AppendEntry(const QString& text) {
    // Adding to an empty list would select the entry and replace the text the
    // user sees; the history decides what is selected.
    const QString shown = currentText();
    addItem(text);
    if (count() == 1) {
        setCurrentIndex(-1);
        setEditText(shown);
    }
}

void CAddressBox::RemoveEntry(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    const QString shown = currentText();
    removeItem(index);
    setEditText(shown);
}

void CAddressBox::SelectEntry(int index) {
    if (index >= 0 && index < count()) {
        setCurrentIndex(index);
        setEditText(itemText(index));
    }
}

} // namespace qova::desktop
