#pragma once
// Rewriting a file in place so that a crash at any instant leaves a file from which
// the old or the new content comes back whole, with no other file. For a folder in
// which the program may write its files but not create or rename any (a shared
// installation, a sticky folder holding another user's file).
//
// The file during a rewrite, O being the old length and N the new one:
//
//   [0, O)          the old content
//   [O, R)          a hole (reads as NUL bytes)
//   [R, R + N)      the new content, the "region"
//   [R + N, +64)    the trailer
//
// R is the least offset with R >= max(O, N) and R + N a multiple of 64. So copying
// the region to the start never overwrites the region itself, and the trailer lies
// in one 64-byte block of its own: one write puts it there, and a process killed
// during that write leaves all of it or none (the kernel copies a write within one
// page entirely or not at all when a fatal signal comes).
//
// The trailer, integers little-endian:
//
//   16 bytes  magic "\0CpuChatInPlace\x1a"
//    8 bytes  O, the old length
//    8 bytes  N, the new length
//    8 bytes  R, where the region starts
//    8 bytes  the region's checksum
//    8 bytes  the format's version, 1
//    8 bytes  the checksum of the 56 bytes before it
//
// A trailer counts only when all of it checks out and the file ends right after it
// (R + N + 64 is the file's length). The steps, each waiting for the disk:
//
//   1. the trailer at R + N (the file grows; the hole costs no room);
//   2. the new content at R;
//   3. the new content at 0;
//   4. the file cut to N.
//
// Recovery, by whoever next reads the file under its exclusive lock: a trailer whose
// region checks out means the rewrite got past step 2 (or is in step 3): finish it by
// steps 3 and 4. A trailer whose region does not check out means it stopped in step
// 1 or 2, when [0, O) still holds the old content: cut the file to O. Either way is
// itself safe to interrupt. A reader that may not write the file reads the version
// the trailer names without changing the file.

#include <string>
#include <string_view>

#include "SystemCalls.h"

namespace cpuchat::inplace {

/// The size of the trailer, and the block it never straddles.
inline constexpr std::size_t kTrailerSize = 64;

/// Rewrites the file open for reading and writing at `fd` so that it holds `bytes`,
/// finishing first a rewrite a crash interrupted. The caller holds the file's
/// exclusive lock. False when it failed before the new content was safely on the
/// disk: the file then holds its old content. Once the new content is safely there,
/// true even when tidying up fails, since every reader then finishes the rewrite.
bool rewrite(SystemCalls& sys, int fd, std::string_view bytes);

/// True when `file` (a file's whole content) holds a rewrite a crash interrupted.
bool interrupted(std::string_view file);

/// The content that an interrupted `file` stands for: the new content when all of
/// it reached the file, else the old. `file` itself when it is not interrupted.
std::string_view wholeVersion(std::string_view file);

/// Finishes or undoes the interrupted rewrite of the file open for reading and
/// writing at `fd`, whose whole content is `file`. The caller holds the file's
/// exclusive lock. True when the file now holds wholeVersion(file) alone.
bool recover(SystemCalls& sys, int fd, std::string_view file);

/// The checksum of the format (64 bits; not a defence against anyone who means harm,
/// which the file's owner can do anyway).
std::uint64_t checksum(std::string_view bytes) noexcept;

}  // namespace cpuchat::inplace
