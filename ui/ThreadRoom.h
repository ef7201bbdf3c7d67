#pragma once
// Qt makes threads of its own as the window comes up (the X connection's reader, the session
// bus's, which accessibility opens, a painting worker) and waits for ever for one the system
// refused. So before Qt
// starts, the program makes sure the system lets it have them, and otherwise ends, saying why.
#include <functional>
#include <optional>
#include <string>

// The threads the window's first moments need at once besides the main one: Qt's X connection
// reader, its session bus and its painting pool (which waits for ever, too, for a worker it could
// not have), and the font reading. The audit and the controllers do without a thread of their own.
constexpr int kWindowThreads = 4;

// Whether `count` threads can run at once beside this one: they are made, all alive together,
// then ended. Nothing when they could be; else why not, in the system's words. `beforeThread` is
// called before each is made; tests throw there for one that cannot be.
std::optional<std::string> NoRoomForThreads(int count,
                                            const std::function<void()>& beforeThread = {});

// The message for a start without room: names the limits on the user's processes and on the
// address space, where they are set.
std::string NoThreadsMessage(const std::string& reason);
