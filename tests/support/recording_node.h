// A driver node for tests that records every request on the wire and answers
// with scripted bytes, independent of the simulated firmware.
#pragma once

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "camera/platform/driver_node.h"

namespace qcx::test {

struct RecordedRequest {
    RequestRecordBytes record{};
    std::uint32_t dataSize = 0;
};

struct RecordingNodeState {
    std::vector<RecordedRequest> requests;
    std::deque<std::vector<std::uint8_t>> answers;  // copied into the buffer, one per request
    bool refuse = false;
};

class RecordingNode : public DriverNode {
public:
    explicit RecordingNode(std::shared_ptr<RecordingNodeState> state) : state_(std::move(state)) {}

    bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                   std::uint32_t dataSize) override {
        RecordedRequest r;
        r.record = record;
        r.dataSize = dataSize;
        state_->requests.push_back(r);
        if (state_->refuse || code != kVendorIoControlCode) return false;
        if (!state_->answers.empty()) {
            const std::vector<std::uint8_t>& answer = state_->answers.front();
            std::memcpy(data, answer.data(), std::min<std::size_t>(answer.size(), dataSize));
            state_->answers.pop_front();
        }
        return true;
    }

    FrameReadResult ReadFrame(void*, std::uint32_t, std::uint32_t) override {
        return FrameReadResult{FrameReadResult::Kind::TimedOut, 0, 0};
    }

private:
    std::shared_ptr<RecordingNodeState> state_;
};

// A provider of `count` recording nodes sharing one state each.
class RecordingProvider : public NodeProvider {
public:
    explicit RecordingProvider(int count) {
        for (int i = 0; i < count; ++i) states.push_back(std::make_shared<RecordingNodeState>());
    }
    int CountNodes() override { return static_cast<int>(states.size()) - gone; }
    std::unique_ptr<DriverNode> OpenNode(int localIndex) override {
        if (localIndex < 0 || localIndex >= CountNodes()) return nullptr;
        ++opens;
        return std::make_unique<RecordingNode>(states[static_cast<std::size_t>(localIndex)]);
    }
    void SetFirstNodeNumber(int first) override { firstNode = first; }

    std::vector<std::shared_ptr<RecordingNodeState>> states;
    int gone = 0;  // the last `gone` nodes are unplugged
    int opens = 0;
    int firstNode = -1;
};

}  // namespace qcx::test
