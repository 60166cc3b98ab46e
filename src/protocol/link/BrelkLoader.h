#pragma once
// The Brelk's loader: the commands that bring the Brelk into it, write its
// firmware block by block and restart it into the firmware written. The
// bytes and waits are in WireFormat.h; the upgrade (the window, the image,
// the order of the steps and what the user is told) builds on these.
//
// The replies are waited for in one poll on the port and `stop` (AbortFlag.h),
// and none is taken that does not carry its own code.
#include "SerialPort.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A block of the image: where it goes and how many bytes it holds.
struct UpgradeBlock {
    uint32_t address;
    size_t offset;
    size_t length;
};
// The blocks of an image of `size` bytes: size / 2048, and one more for a rest.
std::vector<UpgradeBlock> SplitIntoBlocks(size_t size);
// AA 55 C1, the address (32-bit LE), the data frame's length (16-bit LE), FF.
std::vector<uint8_t> BuildBlockHeader(const UpgradeBlock& block);
// The block's bytes, their 32-bit LE sum, 00, the low byte of the block index.
std::vector<uint8_t> BuildBlockFrame(const uint8_t* image, const UpgradeBlock& block, size_t index);

// True when the Brelk answers the loader's identify command with "BRELK":
// it sits in its loader (an upgrade broke off) and needs the firmware again.
bool BrelkIsInLoader();

// Enter the loader (CF): true when it answers 80.
bool EnterLoader(const WakeEvent* stop);
// After entering: the port is closed, and opened again once the Brelk is back
// on the bus as its loader; false when it never comes back.
bool AwaitLoader();
// Identify (C9): true when what is there at once reads "BRELK".
bool LoaderIdentifies();
// The C0 exchange: true when it answers 81.
bool LoaderExchange(const WakeEvent* stop);
// Prepare the flash (C2): true when it answers 83.
bool LoaderPrepare(const WakeEvent* stop);
// One block, its header and then its data, up to three times: true when the
// data is answered 84. A header not answered 82 ends it at once, untried again.
bool LoaderWriteBlock(const uint8_t* image, const UpgradeBlock& block, size_t index, const WakeEvent* stop);
// Finish (C3): true when the loader refuses the image (E0); any other answer,
// or none, is taken.
bool LoaderFinishRefused(const WakeEvent* stop);
// Restart (C4) into the firmware written: the port is closed, and true when it
// opens again as the Brelk comes back.
bool LoaderRestart();
