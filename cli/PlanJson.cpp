#include "PlanJson.h"

#include <charconv>
#include <cmath>

namespace tilesweep {

namespace {

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    void key(const char* name) {
        separate();
        out_ += '"';
        out_ += name;
        out_ += "\":";
        fresh_ = true;
    }
    void number(int64_t v) {
        separate();
        char buffer[24];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
        out_.append(buffer, r.ptr);
    }
    void number(double v) {
        separate();
        if (!std::isfinite(v)) {
            out_ += "null";  // JSON has no NaN or infinity
            return;
        }
        char buffer[32];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
        out_.append(buffer, r.ptr);
    }
    void boolean(bool v) {
        separate();
        out_ += v ? "true" : "false";
    }
    void open(char bracket) {
        separate();
        out_ += bracket;
        fresh_ = true;
    }
    void close(char bracket) {
        out_ += bracket;
        fresh_ = false;
    }

private:
    void separate() {
        if (!fresh_) out_ += ',';
        fresh_ = false;
    }

    std::string& out_;
    bool fresh_ = true;
};

}  // namespace

std::string planJson(const FramePlan& plan) {
    std::string out;
    out.reserve(64 + static_cast<std::size_t>(plan.blockCount) * 48);
    JsonWriter w(out);
    w.open('{');
    w.key("gridRows"); w.number(int64_t{plan.gridRows});
    w.key("gridColumns"); w.number(int64_t{plan.gridColumns});
    w.key("blockCount"); w.number(int64_t{plan.blockCount});
    w.key("stepCount"); w.number(int64_t{plan.stepCount});
    w.key("rowMode"); w.boolean(plan.rowMode);
    w.key("pathOrder"); w.boolean(plan.pathOrder);
    w.key("span"); w.number(plan.timing.span);
    w.key("stepOffset"); w.number(plan.timing.stepOffset);
    w.key("effectiveCompletion"); w.number(plan.effectiveCompletion);
    w.key("blocks");
    w.open('[');
    for (int32_t i = 0; i < plan.blockCount; ++i) {
        const BlockRecord& b = plan.blocks[i];
        w.open('[');
        for (int32_t v : {b.left, b.top, b.width, b.height, b.rank}) w.number(int64_t{v});
        w.close(']');
    }
    w.close(']');
    w.key("blockAtRank");
    w.open('[');
    for (int32_t i = 0; i < plan.blockCount; ++i) w.number(int64_t{plan.blocks[i].blockAtRank});
    w.close(']');
    w.key("directions");
    w.open('[');
    for (int32_t i = 0; i < plan.blockCount; ++i) w.number(int64_t{plan.directions[i]});
    w.close(']');
    w.key("stepProgress");
    w.open('[');
    for (int32_t i = 0; i < plan.stepCount; ++i) w.number(plan.stepProgress[i]);
    w.close(']');
    w.close('}');
    out += '\n';
    return out;
}

}  // namespace tilesweep
