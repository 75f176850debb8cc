// The attendance window in memory: a list of rows with ticks, and the window's visibility.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "attendance/AttendanceView.h"
#include "substitute/EffectLog.h"

namespace pw {

class FakeAttendanceViewFactory;

class FakeAttendanceView : public AttendanceView {
 public:
  struct Row {
    std::string text;
    std::int16_t tick = 0;
  };

  FakeAttendanceView(AttendanceEvents& events, FakeAttendanceViewFactory& factory)
      : events_(events), factory_(factory) {}
  ~FakeAttendanceView() override;

  void RemoveAllRows() override { rows.clear(); }
  void AddRow(const std::string& cells) override {
    auto sep = cells.find(';');
    rows.push_back({sep == std::string::npos ? std::string() : cells.substr(sep + 1), 0});
  }
  std::int32_t RowCount() const override { return static_cast<std::int32_t>(rows.size()); }
  std::int16_t Tick(std::int32_t row) const override { return At(row).tick; }
  void SetTick(std::int32_t row, std::int16_t state) override { At(row).tick = state; }
  std::string Text(std::int32_t row) const override { return At(row).text; }
  void FinalSetup() override { ++finalSetups; }
  void Refresh() override {}
  void Show() override { visible = true; }
  bool Visible() const override { return visible; }
  void SetModal(bool value) override { modal = value; }
  void Close() override;

  AttendanceEvents& Events() { return events_; }

  std::vector<Row> rows;
  bool visible = false;
  bool modal = false;
  bool closed = false;
  int finalSetups = 0;

 private:
  Row& At(std::int32_t row) { return rows.at(static_cast<std::size_t>(row)); }
  const Row& At(std::int32_t row) const { return rows.at(static_cast<std::size_t>(row)); }
  AttendanceEvents& events_;
  FakeAttendanceViewFactory& factory_;
};

class FakeAttendanceViewFactory : public AttendanceViewFactory {
 public:
  std::unique_ptr<AttendanceView> CreateView(AttendanceEvents& events) override {
    auto view = std::make_unique<FakeAttendanceView>(events, *this);
    current = view.get();
    ++created;
    if (onCreate) onCreate(*view);
    return view;
  }
  // The live view, or null once the form has dropped it.
  FakeAttendanceView* current = nullptr;
  int created = 0;
  int closed = 0;
  std::function<void(FakeAttendanceView&)> onCreate;
  EffectLog* log = nullptr;
};

inline FakeAttendanceView::~FakeAttendanceView() {
  if (factory_.current == this) factory_.current = nullptr;
}

inline void FakeAttendanceView::Close() {
  visible = false;
  closed = true;
  ++factory_.closed;
  Note(factory_.log, "attendance closed");
}

}  // namespace pw
