#pragma once
// Why a file system did not open on a source, in the same three shapes for
// every file system: the bytes are some other file system's (or none), they
// are this file system's but damaged, or they could not be read at all. The
// reason is for the user ("the boot sector's cluster size is 0").
#include <string>
#include <utility>

enum class OpenStatus {
    Opened,
    NotThisFileSystem,
    Damaged,
    Unreadable,
};

struct OpenFailure {
    // The reason of an opening that the user stopped while it read (a large
    // allocation table): the volume was not read to its end, so its status
    // is Unreadable, and nothing is known about whether it is damaged.
    static constexpr const char* kStopped = "stopped";

    OpenStatus status = OpenStatus::Opened;
    std::string reason;

    static OpenFailure NotThis(std::string why) { return {OpenStatus::NotThisFileSystem, std::move(why)}; }
    static OpenFailure Damaged(std::string why) { return {OpenStatus::Damaged, std::move(why)}; }
    static OpenFailure Unreadable(std::string why) { return {OpenStatus::Unreadable, std::move(why)}; }
    static OpenFailure Stopped() { return Unreadable(kStopped); }

    bool WasStopped() const { return status == OpenStatus::Unreadable && reason == kStopped; }
};
