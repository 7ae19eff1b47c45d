#pragma once

#include <QComboBox>

namespace qova::desktop {

// The address box (control 1014): an editable drop-down whose list is the
// address history. It tells apart what the user does from what the program
// does: picking an entry (mouse or arrow keys) and typing are reported, while
// the program's own changes of the list and the selection are not.
class CAddressBox : public QComboBox {
    Q_OBJECT

  public:
    explicit CAddressBox(QWidget* parent = nullptr);

    // The list operations the history needs; none of them reports a pick.
    void AppendEntry(const QString& text);
    void RemoveEntry(int index);
    void SelectEntry(int index);

  signals:
    // The user picked an entry; the edit part already shows it.
    void picked(const QString& text);
    // The user typed into or deleted from the edit part.
    void edited(const QString& text);
};

} // namespace qova::desktop
