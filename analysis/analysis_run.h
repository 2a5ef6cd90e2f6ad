// The analysis of a table's observations on a thread of its own, so that the window
// stays alive while it runs. Each series is handed over as soon as its rows and the
// average method are in and again when it is finished; for the series the window asks
// for, once finished, how R settled as the series grew comes before the next series. It can be stopped
// at any time (between channels, at the latest after the one being fitted) and is
// stopped and waited for when it is destroyed.
#pragma once

#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "analysis/average_method.h"

class QObject;

namespace kalora::analysis {

class AnalysisRun {
 public:
  // Called on the receiver's thread; none after the run is destroyed.
  struct Handlers {
    std::function<void(SeriesResult series, std::size_t total)> series_begun;  // rows and the average method
    std::function<void(SeriesResult series, std::size_t done, std::size_t total)> series_done;
    // The growth of every channel of a series, in the order of its channels.
    std::function<void(std::size_t series, std::vector<std::vector<ChannelResult::GrowthStep>> growth)> growth_done;
    std::function<void(bool stopped)> finished;       // the series are all done, or the run was stopped
    std::function<void(std::string message)> failed;  // the analysis broke off with this message
  };

  AnalysisRun(Observations observations, AnalysisOptions options, QObject* receiver, Handlers handlers);
  ~AnalysisRun();
  AnalysisRun(const AnalysisRun&) = delete;
  AnalysisRun& operator=(const AnalysisRun&) = delete;

  void stop();
  bool stopped() const { return stop_; }
  bool done() const { return done_; }  // the thread has ended
  // The growth of this series is wanted next (once the series are done).
  void want_growth(std::size_t series);

 private:
  void run();
  void grow_wanted(bool wait);
  std::optional<std::size_t> take_ready_wish();
  template <typename F>
  void deliver(F f);

  Observations observations_;
  const AnalysisOptions options_;
  QPointer<QObject> receiver_;
  std::shared_ptr<const Handlers> handlers_;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::size_t> wanted_;      // under mutex_
  std::vector<SeriesResult> finished_;  // the worker's own
  std::set<std::size_t> grown_;         // the worker's own
  std::thread thread_;
};

}  // namespace kalora::analysis
