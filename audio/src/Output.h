// The sound output: one SDL audio device, a feeder thread that keeps each playing channel's
// converter topped up with decoded audio, and the device callback that mixes them. End-of-stream
// notices are called from the feeder thread, never from the device callback or a caller's call.
#pragma once

#include "Channel.h"

#include <cstdint>
#include <memory>

namespace bass {

// Opens the device (device 1 or -1 = the default output). Returns a library error code.
std::int32_t OutputInit(std::int32_t device, std::uint32_t rate);
// Closes the device and stops every playing channel. False when it was not open.
bool OutputFree();
bool OutputIsOpen();
// Resumes the device.
std::int32_t OutputStart();

// Starts (or restarts from the beginning) playing the channel. Returns an error code.
std::int32_t OutputPlay(const std::shared_ptr<Channel>& ch, bool restart);
// Stops the channel and forgets its queued audio and notices (the handle is being freed).
void OutputRelease(const std::shared_ptr<Channel>& ch);
// Byte position of what the listener hears now (decodeMutex not held).
std::uint64_t OutputPosition(const std::shared_ptr<Channel>& ch);
// Moves a channel to a byte position, for played and not-yet-played channels alike.
bool OutputSeek(const std::shared_ptr<Channel>& ch, std::uint64_t pos);
// Sets the volume (0..100) at once.
void OutputSetVolume(const std::shared_ptr<Channel>& ch, int volume);
int OutputVolume(const std::shared_ptr<Channel>& ch);
bool OutputIsPlaying(const std::shared_ptr<Channel>& ch);
// Sync handles.
HSYNC OutputAddSync(const std::shared_ptr<Channel>& ch, SYNCPROC proc, void* user);
bool OutputRemoveSync(const std::shared_ptr<Channel>& ch, HSYNC sync);

} // namespace bass
