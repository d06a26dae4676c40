// The library's side of each CQELWmiAcpi object. An object holds only its slot
// number, so bytewise copies stay harmless: releasing a number a second time
// finds nothing, and numbers are never reused.
#pragma once

class Subscription;

// A new slot's number, or 0 when none could be made.
unsigned AcquireSlot();
// The slot's subscription with a reference for the caller (who releases it),
// or null.
Subscription* FindSlot(unsigned slot);
// Stops the slot's subscription and forgets the slot.
void ReleaseSlot(unsigned slot);
