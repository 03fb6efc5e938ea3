#pragma once

// Real keyboards through hidapi. The keyboard's interfaces are found by
// vendor, product, usage page and usage; hidapi lists one entry per
// collection, all with the same path, so paths are what gets opened. Each
// path is opened twice: one handle belongs to its reader thread, the other
// writes under a mutex, so no handle is ever used by two threads at once.
// hidapi reports no arrivals: the list is read at start and again whenever
// the hotplug monitor, or a reader whose device went, says so.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "razizid/backend.h"
#include "razizid/hotplug.h"

namespace ombrex::razizid {

class HidBackend : public Backend {
 public:
  // Null: the system's own monitor.
  explicit HidBackend(std::unique_ptr<HotplugMonitor> monitor = nullptr);
  // Looks again at this interval, as if told each time.
  explicit HidBackend(std::chrono::milliseconds scanInterval);
  ~HidBackend() override;

  bool Start(BackendSink& sink) override;
  void Stop() override;
  DeviceCounts Counts() override;
  int Write(protocol::Interface to, std::span<const std::uint8_t> report, bool toEvery) override;
  int GetFeature(protocol::Interface from, std::span<std::uint8_t> report) override;
  int SetFeature(protocol::Interface to, std::span<const std::uint8_t> report) override;
  std::string LastOpenError() override;

 private:
  struct OpenPath;

  void RescanWhenAsked();
  void AskForRescan();
  // Brings the open paths in line with what is attached; true when they
  // changed.
  bool Rescan();
  std::shared_ptr<OpenPath> Open(const std::string& path,
                                 const std::vector<protocol::Interface>& interfaces);
  void ReadReports(OpenPath& device);
  std::vector<std::shared_ptr<OpenPath>> PathsOffering(protocol::Interface hidInterface);
  DeviceCounts CountOpen();
  void NoteOpenFailure(const std::string& path, const std::string& reason);
  BackendSink* Sink();

  std::unique_ptr<HotplugMonitor> monitor_;

  std::mutex mutex_;
  std::condition_variable asked_;
  BackendSink* sink_ = nullptr;
  bool stopping_ = false;
  bool rescanAsked_ = false;
  std::map<std::string, std::shared_ptr<OpenPath>> open_;
  std::string lastOpenError_;
  std::set<std::string> reportedPaths_;  // told about once in the log
  std::thread rescanner_;
};

}  // namespace ombrex::razizid
