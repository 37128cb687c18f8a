#pragma once
// The one worker thread that services every open output stream. It starts with the
// first stream, runs a pass over all streams every 10 ms under the global stream lock,
// drops the streams whose pass reports them ended, and ends when none is left.
//
// The global lock guards every stream's state: the playback thread takes it (through
// lock()) for each stream operation, the worker for each pass. Never call out while
// holding it.

#include <functional>
#include <memory>
#include <mutex>

namespace lumo {

class ring_stream;

// Locks the global stream lock.
std::unique_lock<std::mutex> lock_output_streams();

// Hands a stream to the worker, starting the worker when it is not running. Call with
// the global lock held. The worker keeps its reference until the stream ends, so a
// stream the caller has let go of still fades out and finishes.
void add_output_stream(std::unique_lock<std::mutex>& lock, std::shared_ptr<ring_stream> stream);

// Streams the worker holds (tests).
size_t output_stream_count();
// True while the worker thread exists (tests).
bool is_output_worker_running();

// Stops the worker and waits for it (process shutdown, tests): streams still open are
// dropped without a fade.
void shutdown_output_worker();

// Sleeps about 10 ms, alertable on Windows (platform seam).
void output_worker_sleep();

}  // namespace lumo
