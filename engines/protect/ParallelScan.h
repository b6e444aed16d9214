#pragma once

#include "protect/ClamEngine.h"
#include "protect/Reports.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvanel::engines {

// Scans open files on worker threads that share one engine. The walk hands files in
// with add (which waits while the queue is full); detections are collected until taken.
class ParallelScan final
{
public:
    ParallelScan(const ClamEngine& engine, int threads, const std::atomic<bool>& stop);
    ~ParallelScan();
    ParallelScan(const ParallelScan&) = delete;
    ParallelScan& operator=(const ParallelScan&) = delete;

    // Takes over fd. After a stop request the file is closed unscanned.
    void add(int fd, std::string path, unsigned long long size);
    // Waits until every file handed in is scanned and ends the threads.
    void finish();

    std::vector<Detection> takeDetections();
    // The files passed over since the last call, each with its reason.
    std::vector<Skip> takeSkips();

    struct Counts
    {
        unsigned long long files = 0;
        unsigned long long bytes = 0;
        SkipCounts skipped;
        unsigned long long detections = 0;
    };
    Counts counts() const;

private:
    struct Job
    {
        int fd;
        std::string path;
        unsigned long long size;
    };
    void work();
    void scanOne(const Job& job);

    const ClamEngine& m_engine;
    const std::atomic<bool>& m_stop;
    mutable std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_roomFree;
    std::deque<Job> m_jobs;
    bool m_closing = false;
    std::vector<Detection> m_found;
    std::vector<Skip> m_skipped;
    Counts m_counts;
    std::vector<std::thread> m_threads;
};

} // namespace orvanel::engines
