// A StartupHost that records every call in order and answers as the test says.
#pragma once

#include <string>
#include <vector>

#include "app/startup.h"

namespace orvane {

class RecordingStartupHost : public StartupHost {
 public:
  struct Message {
    std::wstring title;
    std::wstring text;
  };

  // Answers.
  std::wstring command_line = L"\"X:\\Tools\\orvane.exe\"";
  std::vector<std::wstring> arguments = {L"X:\\Tools\\orvane.exe"};
  bool mutex_exists = false;
  bool service_running = false;
  bool service_starts = true;

  // What happened, in order ("message", "mutex", "front", "query-service", "start-service").
  std::vector<std::wstring> events;
  std::vector<Message> messages;
  std::vector<std::wstring> started_services;
  std::vector<std::wstring> fronted_windows;

  void ShowMessage(const std::wstring& title, const std::wstring& text) override {
    events.push_back(L"message");
    messages.push_back({title, text});
  }
  bool CreateInstanceMutex(const std::wstring& name) override {
    events.push_back(L"mutex:" + name);
    return mutex_exists;
  }
  void BringWindowToFront(const std::wstring& title) override {
    events.push_back(L"front");
    fronted_windows.push_back(title);
  }
  bool IsServiceRunning(const std::wstring& name) override {
    events.push_back(L"query-service:" + name);
    return service_running;
  }
  bool StartServiceByName(const std::wstring& name) override {
    events.push_back(L"start-service:" + name);
    started_services.push_back(name);
    return service_starts;
  }
  std::wstring CommandLine() override { return command_line; }
  std::vector<std::wstring> CommandLineArguments() override { return arguments; }
  std::wstring UniqueToken() override { return L"77-" + std::to_wstring(token_counter_++); }

 private:
  int token_counter_ = 0;
};

}  // namespace orvane
