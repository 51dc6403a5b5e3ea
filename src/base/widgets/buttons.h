#pragma once
// The windows' push button: never the default button, so Enter typed into a field presses none.

#include <QPushButton>

namespace qtx {

inline QPushButton* MakeButton(QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace qtx
