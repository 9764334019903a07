// The loop over the spectrum bins: one generator stream, or chunks of
// histories spread over threads.
#include "history.h"
#include "lane_run.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
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
    std::unique_ptr<PlaneTallies> tally;
    LaggedFibonacciGenerator rng;
    std::unique_ptr<LaneBank> bank = std::make_unique<LaneBank>();
};

// Adds the chunks' tallies to the bin's in chunk order, whichever thread
// finishes first. A tally that comes before its turn is parked and its thread
// takes a spare tally and goes on; the tally whose turn it is is added with
// the parked ones that follow it. Threads take chunks in rising order, so the
// chunk next in turn is always being run; only when `maxParked` tallies wait
// does a thread wait for its turn too.
class OrderedSum {
public:
    OrderedSum(PlaneTallies& total, std::vector<std::unique_ptr<PlaneTallies>>& spares,
               std::size_t maxParked)
        : total_(total), spares_(spares), maxParked_(maxParked) {}

    // Hands in the tally of chunk `chunk`; returns a tally for the thread's next chunk.
    std::unique_ptr<PlaneTallies> add(std::int64_t chunk, std::unique_ptr<PlaneTallies> tally) {
        std::unique_lock lock(mutex_);
        turn_.wait(lock, [&] { return next_ == chunk || parked_.size() < maxParked_; });
        if (next_ != chunk) {
            parked_.emplace(chunk, std::move(tally));
            if (spares_.empty())
                return std::make_unique<PlaneTallies>(total_.planes());
            std::unique_ptr<PlaneTallies> spare = std::move(spares_.back());
            spares_.pop_back();
            return spare;
        }
        total_.add(*tally);
        ++next_;
        while (!parked_.empty() && parked_.begin()->first == next_) {
            total_.add(*parked_.begin()->second);
            spares_.push_back(std::move(parked_.begin()->second));
            parked_.erase(parked_.begin());
            ++next_;
        }
        lock.unlock();
        turn_.notify_all();
        return tally;
    }

private:
    PlaneTallies& total_;
    std::vector<std::unique_ptr<PlaneTallies>>& spares_;
    const std::size_t maxParked_;
    std::map<std::int64_t, std::unique_ptr<PlaneTallies>> parked_;
    std::mutex mutex_;
    std::condition_variable turn_;
    std::int64_t next_ = 0;
};

// Runs job(w) for w = 0 .. threads - 1, job(0) on this thread, and returns
// when all have ended.
template <class Job> void onThreads(std::size_t threads, Job&& job) {
    std::vector<std::jthread> helpers;
    helpers.reserve(threads);
    for (std::size_t w = 1; w < threads; ++w)
        helpers.emplace_back(job, w);
    job(std::size_t(0));
}

// The N histories of bin k in chunks over the workers' threads, summed into
// `bin`; `spares` keeps tallies for parked chunks from bin to bin, `shared`
// is the table of first incoherent scatterings the threads of a large bin share.
void runBinInChunks(const SimulationTables& tables, const RunOptions& options,
                    std::optional<InstructionSet> lanes, std::vector<Worker>& workers,
                    std::vector<std::unique_ptr<PlaneTallies>>& spares, IncoherentTable& shared,
                    int k, std::int64_t N, PlaneTallies& bin) {
    const std::int64_t chunks = (N + options.chunk - 1) / options.chunk;
    const std::size_t used =
        static_cast<std::size_t>(std::min<std::int64_t>(std::ssize(workers), chunks));
    const bool share =
        lanes ? N >= options.laneTableHistories : used > 1 && N >= options.sharedTableHistories;
    if (share) {
        shared.prepare(k);
        onThreads(used, [&](std::size_t w) {
            if (lanes)
                fillTableInLanes(*lanes, tables.transport, shared, static_cast<int>(w),
                                 static_cast<int>(used));
            else
                shared.fillEvery(tables.transport, static_cast<int>(w), static_cast<int>(used));
        });
    }
    std::atomic<std::int64_t> nextChunk{0};
    OrderedSum sum(bin, spares, 4 * workers.size());
    onThreads(used, [&](std::size_t w) {
        Worker& worker = workers[w];
        IncoherentTable& firstIncoherent = share ? shared : *worker.firstIncoherent;
        bool prepared = share;
        for (;;) {
            const std::int64_t c = nextChunk.fetch_add(1);
            if (c >= chunks)
                return;
            if (!prepared) {
                worker.firstIncoherent->prepare(k);
                prepared = true;
            }
            worker.tally->clear();
            const std::int64_t count = std::min(options.chunk, N - c * options.chunk);
            if (lanes) {
                runChunkInLanes(*lanes, tables, firstIncoherent, share, *worker.bank, *worker.tally,
                                k, options.seed, c, count);
            } else {
                worker.rng.seedChunk(options.seed, k, c);
                runHistories<PhantomModel::Sound>(tables, firstIncoherent, worker.rng,
                                                  *worker.tally, k, count);
            }
            worker.tally = sum.add(c, std::move(worker.tally));
        }
    });
}

} // namespace

std::int64_t runAllHistories(const EngineInputs& inputs, const SimulationTables& tables,
                             const RunOptions& options, RunTallies& run,
                             const std::function<void(const RunProgress&)>& progress) {
    const int highestBin = inputs.spectrum.highestBin;
    RunProgress where;
    where.highestBin = highestBin;
    for (int k = firstSimulatedBin; k <= highestBin; ++k)
        where.historiesTotal +=
            std::max<std::int64_t>(0, historiesInBin(inputs.spectrum, inputs.job.photonCount, k));

    const int planes = tables.scoring.planes.count;
    if (run.planes() != planes)
        throw std::invalid_argument("a run tally for each plane the scorer maps is needed");
    auto bin = std::make_unique<PlaneTallies>(planes);
    // The single stream: one generator and one table for the whole run.
    LaggedFibonacciGenerator stream;
    auto streamIncoherent = options.singleStream ? std::make_unique<IncoherentTable>() : nullptr;
    std::vector<Worker> workers(options.singleStream ? 0 : std::max(1, options.threads));
    for (Worker& worker : workers)
        worker.tally = std::make_unique<PlaneTallies>(planes);
    std::vector<std::unique_ptr<PlaneTallies>> spares;
    auto shared = options.singleStream ? nullptr : std::make_unique<IncoherentTable>();
    // The lanes of the default run: those asked for, or the widest the
    // processor has; none for the scalar run.
    std::optional<InstructionSet> lanes;
    if (!options.singleStream && !options.scalar) {
        lanes = options.instructionSet ? options.instructionSet : widestInstructionSet();
        if (lanes && !processorHas(*lanes))
            throw std::invalid_argument("this processor has no " +
                                        std::string(instructionSetName(*lanes)) + " instructions");
    }

    for (int k = firstSimulatedBin; k <= highestBin; ++k) {
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
            runBinInChunks(tables, options, lanes, workers, spares, *shared, k, N, *bin);
        }
        run.addBin(*bin, N);
        where.historiesDone += N;
    }
    return where.historiesDone;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
