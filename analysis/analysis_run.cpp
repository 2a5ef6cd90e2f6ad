#include "analysis/analysis_run.h"

#include <QMetaObject>
#include <QObject>
#include <optional>

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
  hooks.series_begun = [this](const SeriesResult& s, std::size_t total) {
    deliver([s, total](const Handlers& h) mutable {
      if (h.series_begun) h.series_begun(std::move(s), total);
    });
  };
  hooks.series_done = [this](const SeriesResult& s, std::size_t done, std::size_t total) {
    finished_.push_back(s);
    deliver([s, done, total](const Handlers& h) mutable {
      if (h.series_done) h.series_done(std::move(s), done, total);
    });
    // The series the user looks at gets its growth before the next series.
    grow_wanted(false);
  };
  analyse(observations_, options_, hooks);
  observations_ = {};
  const bool all = !stop_;
  deliver([all](const Handlers& h) {
    if (h.finished) h.finished(!all);
  });
  if (all) grow_wanted(true);
}

// The first wish whose series is finished and not yet grown; wishes for series grown
// already are dropped. Under mutex_.
std::optional<std::size_t> AnalysisRun::take_ready_wish() {
  for (auto it = wanted_.begin(); it != wanted_.end();) {
    const std::size_t series = *it;
    if (series >= finished_.size()) {
      ++it;
      continue;
    }
    wanted_.erase(it);
    if (grown_.insert(series).second) return series;
    it = wanted_.begin();
  }
  return std::nullopt;
}

// Grows the wished-for series that are finished; with `wait`, goes on waiting for
// wishes until the run is stopped.
void AnalysisRun::grow_wanted(bool wait) {
  for (;;) {
    std::optional<std::size_t> series;
    {
      std::unique_lock lock(mutex_);
      if (wait) wake_.wait(lock, [&] { return stop_ || (series = take_ready_wish()); });
      if (stop_) return;
      if (!wait) series = take_ready_wish();
      if (!series) return;
    }
    std::vector<std::vector<ChannelResult::GrowthStep>> growth;
    for (const ChannelResult& c : finished_[*series].channels)
      growth.push_back(r_growth(c, options_, [this] { return stop_.load(); }));
    if (stop_) return;
    deliver([series = *series, growth = std::move(growth)](const Handlers& h) mutable {
      if (h.growth_done) h.growth_done(series, std::move(growth));
    });
  }
}

}  // namespace kalora::analysis
