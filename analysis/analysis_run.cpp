#include "analysis/analysis_run.h"

#include <QMetaObject>
#include <QObject>

#include "analysis/r_growth.h"

namespace kalora::analysis {

AnalysisRun::AnalysisRun(Observations observations, AnalysisOptions options, QObject* receiver, Handlers handlers)
    : observations_(std::move(observations)),
      options_(std::move(options)),
      receiver_(receiver),
      handlers_(std::make_shared<const Handlers>(std::move(handlers))) {
  thread_ = std::thread([this] {
    // Nothing may escape the thread: a failure is told to the window instead.
    try {
      run();
    } catch (const std::exception& e) {
      deliver([message = std::string(e.what())](const Handlers& h) {
        if (h.failed) h.failed(message);
      });
    }
    done_ = true;
  });
}

AnalysisRun::~AnalysisRun() {
  // Handed-over results still queued are dropped: the window that asked has moved on.
  *alive_ = false;
  stop();
  thread_.join();
}

void AnalysisRun::stop() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
}

void AnalysisRun::want_growth(std::size_t series) {
  {
    const std::lock_guard lock(mutex_);
    wanted_.push_front(series);
  }
  wake_.notify_all();
}

// On the receiver's thread, unless the run or the receiver has gone by then.
template <typename F>
void AnalysisRun::deliver(F f) {
  if (!receiver_) return;
  QMetaObject::invokeMethod(
      receiver_.data(),
      [alive = alive_, handlers = handlers_, f = std::move(f)]() mutable {
        if (*alive) f(*handlers);
      },
      Qt::QueuedConnection);
}

void AnalysisRun::run() {
  AnalysisHooks hooks;
  hooks.stop = [this] { return stop_.load(); };
  hooks.series_done = [this](const SeriesResult& s, std::size_t done, std::size_t total) {
    deliver([s, done, total](const Handlers& h) mutable {
      if (h.series_done) h.series_done(std::move(s), done, total);
    });
  };
  Analysis analysis = analyse(observations_, options_, hooks);
  observations_ = {};
  const bool all = !stop_;
  deliver([all](const Handlers& h) {
    if (h.finished) h.finished(!all);
  });
  if (!all) return;

  std::set<std::size_t> grown;
  for (;;) {
    std::size_t series = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || !wanted_.empty(); });
      if (stop_) return;
      series = wanted_.front();
      wanted_.pop_front();
    }
    if (series >= analysis.series.size() || !grown.insert(series).second) continue;
    std::vector<std::vector<ChannelResult::GrowthStep>> growth;
    for (const ChannelResult& c : analysis.series[series].channels)
      growth.push_back(r_growth(c, options_, [this] { return stop_.load(); }));
    if (stop_) return;
    deliver([series, growth = std::move(growth)](const Handlers& h) mutable {
      if (h.growth_done) h.growth_done(series, std::move(growth));
    });
  }
}

}  // namespace kalora::analysis
