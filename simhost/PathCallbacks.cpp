// "PF Path Query Suite" and "PF Path Data Suite", on the instance's masks.
#include "HostCallbacks.h"

namespace tilesweep::simhost {

namespace {

const PathSegment* segmentOf(SimHost::Impl& h, PF_PathOutlinePtr path, A_long segment, const char* call) {
    Token* t = h.findToken(path, TokenKind::Path, call);
    if (t == nullptr) return nullptr;
    if (segment < 0 || static_cast<std::size_t>(segment) >= t->mask->segments.size()) {
        h.complain(std::string(call) + " of segment " + std::to_string(segment) + ", which the path does not have");
        return nullptr;
    }
    return &t->mask->segments[static_cast<std::size_t>(segment)];
}

// A preparation belongs to one segment of one path.
bool preparationFits(SimHost::Impl& h, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation,
                     const char* call) {
    if (preparation == nullptr) return true;
    Token* t = h.findToken(*preparation, TokenKind::Preparation, call);
    if (t == nullptr) return false;
    if (t->parent != reinterpret_cast<Token*>(path) || t->number != segment) {
        h.complain(std::string(call) + " with the preparation of another segment");
        return false;
    }
    return true;
}

}  // namespace

namespace callbacks {

// ---- "PF Path Query Suite" 1 and "PF Path Data Suite" 1, on the instance's masks.

PF_Err checkoutPath(PF_ProgPtr ref, PF_PathID id, A_long, A_long, A_u_long, PF_PathOutlinePtr* path) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::CheckoutPath, static_cast<int32_t>(id));
    if (path != nullptr) *path = nullptr;
    if (fault) return *fault;
    h.checkEffectRef(ref, "PF_CheckoutPath");
    if (h.instance == nullptr || path == nullptr) {
        h.complain("PF_CheckoutPath outside an effect instance or without a place for the path");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const std::vector<MaskPath>& masks = h.instance->scene.masks;
    if (id < 1 || id > masks.size()) return PF_Err_BAD_CALLBACK_PARAM;  // the layer has no such mask
    Token& t = h.newToken(TokenKind::Path);
    t.number = static_cast<int32_t>(id);
    t.mask = &masks[id - 1];
    t.instance = h.instance;
    *path = reinterpret_cast<PF_PathOutlinePtr>(&t);
    return PF_Err_NONE;
}

PF_Err checkinPath(PF_ProgPtr ref, PF_PathID id, PF_Boolean, PF_PathOutlinePtr path) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::CheckinPath, static_cast<int32_t>(id));
    h.checkEffectRef(ref, "PF_CheckinPath");
    Token* t = h.findToken(path, TokenKind::Path, "PF_CheckinPath");
    if (t == nullptr) return fault ? *fault : PF_Err_BAD_CALLBACK_PARAM;
    if (t->number != static_cast<int32_t>(id)) {
        h.complain("PF_CheckinPath of path " + std::to_string(t->number) + " under id " + std::to_string(id));
    }
    t->alive = false;
    return fault ? *fault : PF_Err_NONE;
}

PF_Err pathNumSegments(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long* count) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::PathNumSegments)) return *f;
    h.checkEffectRef(ref, "PF_PathNumSegments", true);
    Token* t = h.findToken(path, TokenKind::Path, "PF_PathNumSegments");
    if (t == nullptr || count == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    *count = static_cast<A_long>(t->mask->segments.size());
    return PF_Err_NONE;
}

PF_Err pathPrepareSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, A_long,
                            PF_PathSegPrepPtr* preparation) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::PathPrepareSegLength, segment);
    if (preparation != nullptr) *preparation = nullptr;
    if (fault) return *fault;
    h.checkEffectRef(ref, "PF_PathPrepareSegLength", true);
    if (preparation == nullptr || segmentOf(h, path, segment, "PF_PathPrepareSegLength") == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    Token& t = h.newToken(TokenKind::Preparation);
    t.parent = reinterpret_cast<Token*>(path);
    t.number = segment;
    *preparation = reinterpret_cast<PF_PathSegPrepPtr>(&t);
    return PF_Err_NONE;
}

PF_Err pathGetSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation,
                        PF_FpLong* length) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::PathGetSegLength, segment)) return *f;
    h.checkEffectRef(ref, "PF_PathGetSegLength", true);
    const PathSegment* s = segmentOf(h, path, segment, "PF_PathGetSegLength");
    if (s == nullptr || length == nullptr || !preparationFits(h, path, segment, preparation, "PF_PathGetSegLength")) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *length = s->length();
    return PF_Err_NONE;
}

PF_Err pathEvalSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, PF_PathSegPrepPtr* preparation, A_long segment,
                         PF_FpLong distance, PF_FpLong* x, PF_FpLong* y) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::PathEvalSegLength, segment)) return *f;
    h.checkEffectRef(ref, "PF_PathEvalSegLength", true);
    const PathSegment* s = segmentOf(h, path, segment, "PF_PathEvalSegLength");
    if (s == nullptr || x == nullptr || y == nullptr ||
        !preparationFits(h, path, segment, preparation, "PF_PathEvalSegLength")) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PathPoint p = s->pointAt(distance);
    *x = p.x;
    *y = p.y;
    return PF_Err_NONE;
}

PF_Err pathCleanupSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::PathCleanupSegLength, segment);
    h.checkEffectRef(ref, "PF_PathCleanupSegLength", true);
    if (preparation == nullptr || !preparationFits(h, path, segment, preparation, "PF_PathCleanupSegLength")) {
        return fault ? *fault : PF_Err_BAD_CALLBACK_PARAM;
    }
    reinterpret_cast<Token*>(*preparation)->alive = false;
    *preparation = nullptr;
    return fault ? *fault : PF_Err_NONE;
}

}  // namespace callbacks

}  // namespace tilesweep::simhost
