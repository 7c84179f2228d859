// A peer that hands out a recording canvas and notes each repaint.
#pragma once
#include <memory>
#include <vector>

#include "platform/fake/fake_canvas.h"
#include "ui/controls.h"

namespace zk::test {

struct CanvasPeer : ui::Peer {
    explicit CanvasPeer(platform::FakeCanvas& c) : canvas(c) {}
    void Changed(ui::Prop) override {}
    void Repaint() override { repaintedAt.push_back(canvas.calls.size()); }
    std::unique_ptr<platform::Canvas> OpenCanvas() override { return canvas.Lend(); }
    int repaints() const { return int(repaintedAt.size()); }
    platform::FakeCanvas& canvas;
    std::vector<size_t> repaintedAt;  // how many calls the canvas had by then
};

}  // namespace zk::test
