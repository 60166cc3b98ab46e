#pragma once
// The process's one stop signal. A Stop, the Brelk's removal, a failing port
// and the window closing set it with g_bAbort.Set(): from then on the frame
// layer sends nothing, and every wait of the link (the receive loop, the
// Brelk commands' writes and reads, the version read, the waits between
// signal steps, the firmware upgrade's reads) ends at once, since each one
// blocks in one poll on the port and this event together. The programming
// and test objects clear it as they are made, the frame layer after a send
// that went out or a reset, and the device presence when the Brelk arrives.
#include "WakeEvent.h"

extern WakeEvent g_bAbort;

// The stop that a Brelk command's waits watch: g_bAbort, or none when it was
// already set as the command began. The flag stays set after a Stop until the
// next operation starts, and that left-over Stop must not cut the failure
// signal of the stopped operation or a later version read short; a Stop that
// comes while the command waits ends the wait at once.
const WakeEvent* StopToWatch();
