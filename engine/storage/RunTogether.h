// Running a few pieces of one job on the machine's cores at once.
#pragma once

#include <functional>
#include <vector>

namespace ridov {

// Runs tasks[1..] on threads of their own and tasks[0] on the caller's,
// waits for all of them, then passes on the first exception any of them
// raised. A task that cannot get a thread runs on the caller's.
void RunTogether(const std::vector<std::function<void()>>& tasks);

// How many pieces a job of `items` items is worth splitting into: one
// below `smallest` items, else the machine's cores, at most `most`.
unsigned PiecesFor(size_t items, size_t smallest, unsigned most);

}  // namespace ridov
