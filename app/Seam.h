// The shape of every Set...ForTesting: the new value takes the slot's place
// and the previous one comes back, for the test to put back.
#pragma once

template <class T>
T Swap(T& slot, T value)
{
    const T previous = slot;
    slot = value;
    return previous;
}
