#include "protect/ParallelScan.h"

#include <QFile>

#include <unistd.h>

namespace orvanel::engines {

namespace {

// Enough files waiting to keep both cores busy, few enough descriptors held open.
constexpr std::size_t kQueueLength = 256;

} // namespace

ParallelScan::ParallelScan(const ClamEngine& engine, int threads, const std::atomic<bool>& stop)
    : m_engine(engine), m_stop(stop)
{
    for (int i = 0; i < std::max(1, threads); ++i)
        m_threads.emplace_back([this] { work(); });
}

ParallelScan::~ParallelScan()
{
    finish();
}

void ParallelScan::add(int fd, std::string path, unsigned long long size)
{
    std::unique_lock lock(m_mutex);
    m_roomFree.wait(lock, [this] { return m_jobs.size() < kQueueLength || m_closing; });
    if (m_closing) {
        ::close(fd);
        return;
    }
    m_jobs.push_back({fd, std::move(path), size});
    m_jobReady.notify_one();
}

void ParallelScan::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_jobReady.notify_all();
    m_roomFree.notify_all();
    for (std::thread& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
    m_threads.clear();
}

void ParallelScan::work()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_jobReady.wait(lock, [this] { return !m_jobs.empty() || m_closing; });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        m_roomFree.notify_one();
        if (!m_stop.load(std::memory_order_relaxed))
            scanOne(job);
        ::close(job.fd);
    }
}

void ParallelScan::scanOne(const Job& job)
{
    const ClamEngine::Result result = m_engine.scan(job.fd, job.path.c_str());
    const std::lock_guard lock(m_mutex);
    if (result.verdict == ClamEngine::Verdict::Skipped) {
        m_counts.skipped.add(result.skip);
        m_skipped.push_back({job.path, result.skip});
        return;
    }
    ++m_counts.files;
    m_counts.bytes += job.size;
    if (result.verdict == ClamEngine::Verdict::Infected) {
        ++m_counts.detections;
        m_found.push_back(
            {QFile::decodeName(job.path.c_str()), QString::fromUtf8(result.signature.c_str())});
    }
}

std::vector<Detection> ParallelScan::takeDetections()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_found, {});
}

std::vector<Skip> ParallelScan::takeSkips()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_skipped, {});
}

ParallelScan::Counts ParallelScan::counts() const
{
    const std::lock_guard lock(m_mutex);
    return m_counts;
}

} // namespace orvanel::engines
