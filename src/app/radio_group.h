#pragma once
// A titled group of radio buttons of which at most one is selected, addressed by index.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace mondeliar::app {

class RadioGroup : public QGroupBox {
public:
    RadioGroup(const QString& title, const QStringList& items, int columns = 1,
               QWidget* parent = nullptr);

    // The selected item, -1 when none is.
    int Index() const;
    // Selects an item; an index outside the items selects none.
    void SetIndex(int index);
    int Count() const;
    QRadioButton* Button(int index) const;
    // Emits idToggled and idClicked with the item index as id.
    QButtonGroup* Buttons() const { return buttons_; }

private:
    QButtonGroup* buttons_;
};

}  // namespace mondeliar::app
