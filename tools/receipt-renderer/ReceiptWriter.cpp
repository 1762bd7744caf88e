#include "ReceiptWriter.h"

#include <csignal>
#include <cstdio>

#include <pthread.h>

ReceiptWriter::ReceiptWriter(std::string dir, size_t keep, Say say)
    : folder_(std::move(dir), keep), say_(std::move(say))
{
    // The thread takes no signals: a program that reads its signals from a
    // signalfd blocks them on its own thread only, and a signal delivered here
    // would end it.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    thread_ = std::thread(&ReceiptWriter::Loop, this);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

ReceiptWriter::~ReceiptWriter()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

size_t ReceiptWriter::SizeOf(const Job &job)
{
    return job.page.rows().size() + job.recorded.size();
}

bool ReceiptWriter::Full(size_t adding) const
{
    return !queue_.empty() && (queue_.size() >= kMaxQueued || queuedBytes_ + adding > kMaxQueuedBytes);
}

void ReceiptWriter::Add(Job job)
{
    const size_t size = SizeOf(job);
    std::unique_lock lock(mutex_);
    // Waits until half the queue is written, not for each receipt in turn:
    // the two threads would otherwise hand over at every receipt.
    while (full_ || Full(size)) {
        full_ = true;
        changed_.wait(lock, [&] { return !full_; });
    }
    queuedBytes_ += size;
    queue_.push_back(std::move(job));
    full_ = Full(0);
    const bool wake = idle_;
    lock.unlock();
    if (wake)
        changed_.notify_all();
}

bool ReceiptWriter::ready()
{
    std::lock_guard lock(mutex_);
    return !full_;
}

void ReceiptWriter::OnReady(std::function<void()> callback)
{
    std::lock_guard lock(mutex_);
    onReady_ = std::move(callback);
}

void ReceiptWriter::Flush()
{
    std::unique_lock lock(mutex_);
    ++flushing_;
    changed_.wait(lock, [&] { return queue_.empty() && !writing_; });
    --flushing_;
}

void ReceiptWriter::Loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (queue_.empty() && !stop_) {
            idle_ = true;
            changed_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            idle_ = false;
        }
        if (queue_.empty())
            return;  // stopped, and nothing is left to write
        Job job = std::move(queue_.front());
        queue_.pop_front();
        queuedBytes_ -= SizeOf(job);
        writing_ = true;
        const bool room = full_ && queue_.size() <= kMaxQueued / 2 && !Full(0);
        if (room)
            full_ = false;
        lock.unlock();
        if (room) {
            changed_.notify_all();
            std::function<void()> callback;
            {
                std::lock_guard again(mutex_);
                callback = onReady_;
            }
            if (callback)
                callback();
        }
        WriteOne(job);
        lock.lock();
        writing_ = false;
        if (flushing_ > 0 && queue_.empty())
            changed_.notify_all();
    }
}

void ReceiptWriter::WriteOne(Job &job)
{
    const ReceiptFolder::Written w = folder_.Write(job.page, job.height, job.recorded);
    std::string line = "receipt " + ReceiptFolder::Numbered(w.number) + ": " + (w.ok ? "" : "(write failed) ") +
                       w.base + ".png " + std::to_string(job.page.width()) + "x" + std::to_string(job.height) + ", " +
                       w.base.substr(w.base.rfind('/') + 1) + ".bin " + std::to_string(job.recorded.size()) + " bytes" +
                       job.notes;
    // The oldest go first, so that once the receipt is announced the folder is as it stays.
    const ReceiptFolder::Removed removed = folder_.Prune();
    const std::string keep = ": the folder keeps the newest " + std::to_string(folder_.keep()) + " (--keep-receipts)";
    if (removed.count == 1)
        say_("kova-sim: receipt " + ReceiptFolder::Numbered(removed.first) + " removed" + keep);
    else if (removed.count > 1)
        say_("kova-sim: " + std::to_string(removed.count) + " receipts removed, " +
             ReceiptFolder::Numbered(removed.first) + " to " + ReceiptFolder::Numbered(removed.last) + keep);
    if (removed.failed > 0)
        say_("kova-sim: " + std::to_string(removed.failed) + " of them could not be removed");
    say_(line);
}
