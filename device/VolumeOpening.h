#pragma once
// Why a file system did not open on a source, in the same three shapes for
// every file system: the bytes are some other file system's (or none), they
// are this file system's but damaged, or they could not be read at all. The
// reason is for the user ("the boot sector's cluster size is 0").
#include <string>

enum class OpenStatus {
    Opened,
    NotThisFileSystem,
    Damaged,
    Unreadable,
};

struct OpenFailure {
    OpenStatus status = OpenStatus::Opened;
    std::string reason;

    static OpenFailure NotThis(std::string why) { return {OpenStatus::NotThisFileSystem, std::move(why)}; }
    static OpenFailure Damaged(std::string why) { return {OpenStatus::Damaged, std::move(why)}; }
    static OpenFailure Unreadable(std::string why) { return {OpenStatus::Unreadable, std::move(why)}; }
};
