#pragma once
// A scan host that records every report, for tests of what a scan shows.
#include "engine/ScanHost.h"
#include "platform/TextConvert.h"

#include <functional>
#include <string>
#include <vector>

class RecordingHost : public ScanHost {
public:
    struct Event {
        std::string kind;  // "range", "position", "percent", "found", "title", "count", "end", "message"
        uint64_t number = 0;
        std::string text;
    };

    void SetProgressRange(uint64_t upper) override { Add("range", upper); }
    void SetProgressPosition(uint64_t position) override {
        Add("position", position);
        if (onPosition) onPosition(position);
    }
    void SetPercentText(const std::u16string& text) override { Add("percent", 0, text); }
    void SetFoundText(const std::u16string& text) override { Add("found", 0, text); }
    void SetTitle(const std::u16string& text) override { Add("title", 0, text); }
    void SetFoundCount(uint32_t count) override { Add("count", count); }
    void ScanEnded(const ScanOutcome& ended) override {
        static const char* const kEnds[] = {"finished", "stopped", "failed"};
        outcome = ended;
        Add("end", 0, std::u16string(platform::FromUtf8(kEnds[static_cast<int>(ended.end)])) + u"|" + ended.reason);
    }
    void ShowMessage(const std::u16string& text, const std::u16string& caption) override {
        Add("message", 0, caption + u"|" + text);
    }

    std::vector<Event> Of(const std::string& kind) const {
        std::vector<Event> found;
        for (const Event& event : events)
            if (event.kind == kind) found.push_back(event);
        return found;
    }

    std::vector<Event> events;
    ScanOutcome outcome;
    std::function<void(uint64_t)> onPosition;  // lets a test press Cancel mid-scan

private:
    void Add(const char* kind, uint64_t number, const std::u16string& text = {}) {
        events.push_back({kind, number, platform::ToUtf8(text)});
    }
};
