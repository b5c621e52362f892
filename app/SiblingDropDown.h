// SiblingDropDown: the drop-down list of the loaded recording's numbered
// siblings (walk001, walk002, ...) that a right click on Load opens in place
// of the loaded file's name. Choosing an entry (a click, or Enter after the
// arrow keys) loads it; Escape or a focus loss with the list closed puts the
// name back. The arrow keys move the choice without loading.
#pragma once

#include "SiblingList.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QRect;
class QWidget;

namespace kv {

class SiblingDropDown : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const std::string& base)> load; // load the chosen sibling
        std::function<void()> beep;                        // a double click on the list
    };
    // The list lies over `name` (whose tooltip holds the loaded file's path)
    // inside `parent`.
    SiblingDropDown(QWidget* parent, QLabel* name, Actions actions);

    // Shows the list of the loaded file's siblings; false when it has none.
    // When `heldButton` is true the drop-down waits for buttonReleased().
    bool open(bool heldButton);
    void buttonReleased();
    // Loads the entry chosen, after closing the list.
    void choose();
    void close();
    bool isOpen() const;
    bool owns(const QWidget* w) const;
    void setGeometry(const QRect& nameGeometry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* m_list;
    QLabel* m_name;
    Actions m_actions;
    std::optional<SiblingList> m_siblings;
    bool m_arrowHeld = false;
    bool m_dropDownOnRelease = false;
};

} // namespace kv
