// The loop over the spectrum bins: one generator stream, or chunks of
// histories spread over threads.
#include "history.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

std::int64_t historiesInBin(const SpectrumTable& spectrum, float photonCount, int k) {
    const double product =
        static_cast<double>(spectrum.weight[k - 1]) * static_cast<double>(photonCount);
    return static_cast<std::int64_t>(std::trunc(product));
}

namespace {

// What a thread of the default run keeps from chunk to chunk.
struct Worker {
    std::unique_ptr<IncoherentTable> firstIncoherent = std::make_unique<IncoherentTable>();
    std::unique_ptr<DoseTally> tally = std::make_unique<DoseTally>();
    LaggedFibonacciGenerator rng;
};

// Adds the chunks' tallies to the bin's in chunk order, whichever thread
// finishes first: the thread of chunk c waits until chunks 0..c-1 are added.
// Threads take chunks in rising order, so the chunk next in turn is always
// being run by a thread that does not wait.
class OrderedSum {
public:
    explicit OrderedSum(DoseTally& total) : total_(total) {}

    void add(std::int64_t chunk, const DoseTally& tally) {
        std::unique_lock lock(mutex_);
        turn_.wait(lock, [&] { return next_ == chunk; });
        total_.add(tally);
        ++next_;
        lock.unlock();
        turn_.notify_all();
    }

private:
    DoseTally& total_;
    std::mutex mutex_;
    std::condition_variable turn_;
    std::int64_t next_ = 0;
};

// The N histories of bin k in chunks over the workers' threads, summed into `bin`.
void runBinInChunks(const SimulationTables& tables, const RunOptions& options,
                    std::vector<Worker>& workers, int k, std::int64_t N, DoseTally& bin) {
    const std::int64_t chunks = (N + options.chunk - 1) / options.chunk;
    std::atomic<std::int64_t> nextChunk{0};
    OrderedSum sum(bin);
    auto work = [&](Worker& worker) {
        bool prepared = false;
        for (;;) {
            const std::int64_t c = nextChunk.fetch_add(1);
            if (c >= chunks)
                return;
            if (!prepared) {
                worker.firstIncoherent->prepare(k);
                prepared = true;
            }
            worker.rng.seedChunk(options.seed, k, c);
            worker.tally->clear();
            const std::int64_t count = std::min(options.chunk, N - c * options.chunk);
            runHistories<PhantomModel::Sound>(tables, *worker.firstIncoherent, worker.rng,
                                              *worker.tally, k, count);
            sum.add(c, *worker.tally);
        }
    };
    const std::size_t used =
        static_cast<std::size_t>(std::min<std::int64_t>(std::ssize(workers), chunks));
    std::vector<std::jthread> helpers;
    helpers.reserve(used);
    for (std::size_t w = 1; w < used; ++w)
        helpers.emplace_back(work, std::ref(workers[w]));
    work(workers[0]);
}

} // namespace

std::int64_t runAllHistories(const EngineInputs& inputs, const SimulationTables& tables,
                             const RunOptions& options, RunTally& run,
                             const std::function<void(const RunProgress&)>& progress) {
    const int highestBin = inputs.spectrum.highestBin;
    RunProgress where;
    where.highestBin = highestBin;
    for (int k = 10; k <= highestBin; ++k)
        where.historiesTotal +=
            std::max<std::int64_t>(0, historiesInBin(inputs.spectrum, inputs.job.photonCount, k));

    auto bin = std::make_unique<DoseTally>();
    // The single stream: one generator and one table for the whole run.
    LaggedFibonacciGenerator stream;
    auto streamIncoherent = options.singleStream ? std::make_unique<IncoherentTable>() : nullptr;
    std::vector<Worker> workers(options.singleStream ? 0 : std::max(1, options.threads));

    for (int k = 10; k <= highestBin; ++k) {
        where.bin = k;
        if (progress)
            progress(where);
        const std::int64_t N = historiesInBin(inputs.spectrum, inputs.job.photonCount, k);
        if (N <= 0)
            continue;
        bin->clear();
        if (options.singleStream) {
            streamIncoherent->prepare(k);
            runHistories<PhantomModel::Written>(tables, *streamIncoherent, stream, *bin, k, N);
        } else {
            runBinInChunks(tables, options, workers, k, N, *bin);
        }
        run.addBin(*bin, N);
        where.historiesDone += N;
    }
    return where.historiesDone;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
