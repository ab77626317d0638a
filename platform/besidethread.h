#pragma once

#include <future>
#include <type_traits>
#include <utility>

// The processor the calling thread runs on now; -1 when the system does not tell.
int currentProcessor();

// Moves the calling thread off the processor, when it may run on others, and lets it run on
// all of its processors again. Some schedulers (those of virtual machines that pack threads
// onto few processors among them) start a new thread on the processor of the thread that
// started it, which then waits while the new one runs.
void stepOffProcessor(int processor);

// Gives the calling thread's processor to a thread waiting for it, if any, and goes on.
void yieldProcessor();

// Runs work on a new thread beside the calling one, which goes on meanwhile: the new thread
// first steps off the calling thread's processor. Where the new thread waits for that
// processor, the calling thread lets it step off at once instead of after its own time slice
// of some milliseconds. Throws std::system_error when no thread can be had.
template <typename Work> auto startBeside(Work work) -> std::future<std::invoke_result_t<Work>> {
    auto result = std::async(std::launch::async,
                             [processor = currentProcessor(), work = std::move(work)]() mutable {
                                 stepOffProcessor(processor);
                                 return work();
                             });
    yieldProcessor();
    return result;
}
