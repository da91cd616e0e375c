// A StartupHost that records every call in order and answers as the test says.
#pragma once

#include <string>
#include <vector>

#include "app/startup.h"

namespace orvane {

class RecordingStartupHost : public StartupHost {
 public:
  // Answers.
  std::wstring command_line = L"\"X:\\Tools\\orvane.exe\"";
  std::vector<std::wstring> arguments = {L"X:\\Tools\\orvane.exe"};
  bool mutex_exists = false;
  bool service_running = false;
  bool service_starts = true;

  // What happened, in order: "box(<title>: <text>)", "mutex:<name>", "front:<title>",
  // "query-service:<name>", "start-service:<name>".
  std::vector<std::wstring> events;

  void ShowMessage(const std::wstring& title, const std::wstring& text) override {
    events.push_back(L"box(" + title + L": " + text + L")");
  }
  bool CreateInstanceMutex(const std::wstring& name) override { return Answer(L"mutex:" + name, mutex_exists); }
  void BringWindowToFront(const std::wstring& title) override { events.push_back(L"front:" + title); }
  bool IsServiceRunning(const std::wstring& name) override { return Answer(L"query-service:" + name, service_running); }
  bool StartServiceByName(const std::wstring& name) override {
    return Answer(L"start-service:" + name, service_starts);
  }
  std::wstring CommandLine() override { return command_line; }
  std::vector<std::wstring> CommandLineArguments() override { return arguments; }
  std::wstring UniqueToken() override { return L"77-" + std::to_wstring(token_counter_++); }

 private:
  bool Answer(const std::wstring& event, bool answer) {
    events.push_back(event);
    return answer;
  }
  int token_counter_ = 0;
};

}  // namespace orvane
