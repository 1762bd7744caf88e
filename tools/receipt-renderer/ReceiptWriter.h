#pragma once

#include "Bitmap.h"
#include "ReceiptFolder.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Packs and writes the receipts the printer cuts on a thread of its own, in
// the order they were cut, with the folder's pruning and each receipt's log
// line: the link that cut a large receipt goes on (and answers its status)
// while the picture is packed. A link that cuts faster than receipts are
// written waits for room in a bounded queue.
class ReceiptWriter {
public:
    using Say = std::function<void(const std::string &)>;

    // Bounds on what waits to be written: receipts, and the bytes of their
    // pictures and records together (one receipt is always let in).
    static constexpr size_t kMaxQueued = 16;
    static constexpr size_t kMaxQueuedBytes = 64u << 20;

    struct Job {
        Bitmap page{1, 1};
        int height = 1;
        std::vector<uint8_t> recorded;
        std::string notes;  // added to the receipt's line: "(record cut at ...)", refusals
    };

    // say is called on the writer's thread, never two lines at once.
    ReceiptWriter(std::string dir, size_t keep, Say say);
    ~ReceiptWriter();  // writes every receipt still queued
    ReceiptWriter(const ReceiptWriter &) = delete;
    ReceiptWriter &operator=(const ReceiptWriter &) = delete;

    // Waits while the queue is full, until half of it is written.
    void Add(Job job);
    // false from the moment the queue fills until half of it is written: a
    // caller that must not wait holds its receipts back meanwhile.
    bool ready();
    // Called on the writer's thread each time the queue is ready again.
    void OnReady(std::function<void()> callback);
    // Returns once every receipt added so far is written and announced.
    void Flush();

private:
    static size_t SizeOf(const Job &job);
    bool Full(size_t adding) const;
    void Loop();
    void WriteOne(Job &job);

    ReceiptFolder folder_;  // the writer's thread alone uses it
    Say say_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    size_t queuedBytes_ = 0;
    bool writing_ = false;  // a job taken off the queue and not yet announced
    bool idle_ = false;     // the thread waits for a job
    bool full_ = false;     // filled up, and not yet half written
    std::function<void()> onReady_;
    int flushing_ = 0;  // threads waiting for the queue to be written
    bool stop_ = false;
    std::thread thread_;
};
