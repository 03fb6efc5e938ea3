#pragma once

// One worker thread that runs jobs one after another in the order they were
// posted. The device watchers run on one, because each compares and then
// replaces the device count; the indicator changes on another, so that an
// on/off pair is always shown in the order the keyboard sent it.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace ombrex {

class SerialWorker {
 public:
  SerialWorker();
  // Stop().
  ~SerialWorker();
  SerialWorker(const SerialWorker&) = delete;
  SerialWorker& operator=(const SerialWorker&) = delete;

  // Queues a job; ignored once Stop() began.
  void Post(std::function<void()> job);

  // Lets the running job finish, drops the queued ones and joins the thread.
  // Never call it from a job.
  void Stop();

  // Until every job posted so far has run (or Stop() dropped it).
  void WaitIdle();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ombrex
