#pragma once

#include <QStringList>

namespace Tensiova::ActionChoice {

// The alarm action a channel asks of the device, as the index of its list entry.
inline constexpr int NoSelection = -1;
inline constexpr int Count = 4;

// The four entries of every action list, in the order that makes their index the device's code.
const QStringList &texts();

// The lists accept -1 (nothing selected) to 3, nothing else.
constexpr bool isSelectable(int index)
{
    return index >= NoSelection && index < Count;
}

} // namespace Tensiova::ActionChoice
