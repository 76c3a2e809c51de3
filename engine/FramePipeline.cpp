#include "FramePipeline.h"

#include <algorithm>

#include "BlockDrawing.h"
#include "Direction.h"
#include "OutputWindow.h"
#include "SeededRandom.h"
#include "Stacking.h"

namespace tilesweep {

namespace {

// The images fit when both row strides hold the input's width and the heights agree.
bool imagesFit(const ImageView& input, const ImageView& output) {
    return static_cast<int64_t>(input.rowPixels) - input.width >= 0 &&
           static_cast<int64_t>(output.rowPixels) - input.width >= 0 &&
           output.height == input.height;
}

// A window fits when both row strides hold their image's width and the output is
// the window's size.
bool windowFits(const ImageView& input, const ImageView& output, const Rect& area) {
    return static_cast<int64_t>(input.rowPixels) - input.width >= 0 &&
           static_cast<int64_t>(output.rowPixels) - output.width >= 0 && !isEmpty(area) &&
           int64_t{area.right} - area.left == output.width && int64_t{area.bottom} - area.top == output.height;
}

// A grid count below 1 gives an empty grid; the image size caps it.
int32_t gridCount(int32_t requested, int32_t pixels) {
    if (requested < 1 || pixels < 1) return 0;
    return std::min(requested, pixels);
}

// Edges are (i x size) / count, truncated; stepping quotient and remainder gives
// the same edges without a division per block.
void layOutGrid(FramePlan& plan) {
    const int64_t height = plan.gridHeight;
    const int32_t columnStep = plan.gridColumns > 0 ? plan.gridWidth / plan.gridColumns : 0;
    const int32_t columnRest = plan.gridColumns > 0 ? plan.gridWidth % plan.gridColumns : 0;
    BlockRecord* block = plan.blocks;
    for (int32_t r = 0; r < plan.gridRows; ++r) {
        const auto top = static_cast<int32_t>(r * height / plan.gridRows);
        const auto bottom = static_cast<int32_t>((r + 1) * height / plan.gridRows);
        int32_t left = 0;
        int32_t right = 0;
        int32_t remainder = 0;
        for (int32_t c = 0; c < plan.gridColumns; ++c, ++block) {
            right += columnStep;
            remainder += columnRest;
            if (remainder >= plan.gridColumns) {
                ++right;
                remainder -= plan.gridColumns;
            }
            *block = BlockRecord{left, top, right - left, bottom - top, kUnassignedRank, -1};
            left = right;
        }
    }
}

// At a reduced resolution a block covers the image pixels that show its
// full-resolution pixels; one smaller than an image pixel covers none. Edges stay
// within the image whatever the geometry claims.
void placeBlocksInImage(FramePlan& plan) {
    if (isUnitScale(plan.scaleX) && isUnitScale(plan.scaleY) && plan.gridWidth <= plan.imageWidth &&
        plan.gridHeight <= plan.imageHeight) {
        return;
    }
    auto place = [](int64_t edge, const PixelScale& scale, int32_t size) {
        return std::clamp(imageEdge(edge, scale), 0, size);
    };
    for (int32_t i = 0; i < plan.blockCount; ++i) {
        BlockRecord& b = plan.blocks[i];
        const int32_t left = place(b.left, plan.scaleX, plan.imageWidth);
        const int32_t top = place(b.top, plan.scaleY, plan.imageHeight);
        b.width = place(int64_t{b.left} + b.width, plan.scaleX, plan.imageWidth) - left;
        b.height = place(int64_t{b.top} + b.height, plan.scaleY, plan.imageHeight) - top;
        b.left = left;
        b.top = top;
    }
}

OrderChoice effectiveOrder(const WipeSettings& s, bool& pathOrder) {
    OrderChoice choice{popupChoice<OrderKind>(s.order),
                       popupChoice<OrderPerKind>(s.orderPer),
                       popupChoice<PerBlockModeKind>(s.orderPerBlockMode),
                       s.orderInverse,
                       popupChoice<DependenceKind>(s.directionDependence),
                       s.orderInsider,
                       popupChoice<InsiderModeKind>(s.orderInsiderMode)};
    pathOrder = false;
    if (choice.order == OrderKind::Path) {
        if (s.orderPathId > 0) {
            pathOrder = true;
        } else {
            choice.order = OrderKind::Horizontal;
            choice.orderPer = OrderPerKind::Block;
            choice.orderInverse = 0;
        }
    }
    return choice;
}

int32_t memoryError(PlanServices& services) {
    services.showMessage(kMemoryErrorMessage);
    return kErrInternalStructDamaged;
}

}  // namespace

FrameArrays::~FrameArrays() {
    allocator_.freeArray(blocks);
    allocator_.freeArray(directions);
    allocator_.freeArray(stepProgress);
}

bool FrameArrays::allocate(ArrayMemory& memory, std::size_t bytes) {
    // An empty array needs no memory; the host may refuse a zero-sized handle.
    if (bytes == 0) return true;
    return allocator_.allocateArray(bytes, memory);
}

int32_t planWipe(const WipeSettings& s, const FrameGeometry& geometry, int32_t imageWidth, int32_t imageHeight,
                 PlanServices& services, FrameArrays& arrays, FramePlan& plan) {
    plan.imageWidth = std::max(imageWidth, 0);
    plan.imageHeight = std::max(imageHeight, 0);
    plan.gridWidth = std::max(geometry.gridWidth, 0);
    plan.gridHeight = std::max(geometry.gridHeight, 0);
    plan.scaleX = isValidScale(geometry.scaleX) ? geometry.scaleX : PixelScale{};
    plan.scaleY = isValidScale(geometry.scaleY) ? geometry.scaleY : PixelScale{};
    plan.gridRows = gridCount(s.rows, plan.gridHeight);
    plan.gridColumns = gridCount(s.columns, plan.gridWidth);
    plan.blockCount = plan.gridRows * plan.gridColumns;
    const ModeKind mode = popupChoice<ModeKind>(s.mode);
    plan.moveStacking = mode == ModeKind::Move2 || mode == ModeKind::Move3;
    plan.effectiveCompletion = s.completion;
    const auto blockCount = static_cast<std::size_t>(plan.blockCount);

    if (!arrays.allocate(arrays.directions, blockCount * sizeof(DirectionCode))) return memoryError(services);
    plan.directions = static_cast<DirectionCode*>(arrays.directions.data);
    SeededRandom directionGenerator(s.directionSeed);
    fillDirections(plan.directions, plan.blockCount, s.direction, s.directionMode, directionGenerator);

    if (!arrays.allocate(arrays.blocks, blockCount * sizeof(BlockRecord))) return memoryError(services);
    plan.blocks = static_cast<BlockRecord*>(arrays.blocks.data);
    layOutGrid(plan);

    plan.order = effectiveOrder(s, plan.pathOrder);
    SeededRandom orderGenerator(s.orderSeed);
    SeededRandom insiderGenerator(insiderSeed(s.orderSeed));

    plan.stepCount = plan.blockCount;
    int32_t err = kErrNone;
    if (plan.pathOrder) {
        plan.stepCount = 0;
        OrderPathSource* path = services.orderPath();
        if (path != nullptr) {
            err = walkOrderPath(plan.grid(), plan.gridWidth, plan.gridHeight, s.orderPathId, *path,
                                plan.order, insiderGenerator, plan.stepCount,
                                PathOrigin{geometry.originX, geometry.originY});
        }
    }
    plan.rowMode = isRowMode(plan.order);
    if (plan.rowMode) plan.stepCount = plan.order.order == OrderKind::Horizontal ? plan.gridRows : plan.gridColumns;
    if (err != kErrNone) return err;

    computeBlockOrder(plan.grid(), plan.directions, plan.stepCount, plan.order, orderGenerator, insiderGenerator);
    rotateRanks(plan.grid(), plan.stepCount, s.orderOffset, plan.order);
    placeBlocksInImage(plan);
    plan.timing = computeTiming(plan.stepCount, s.delay);

    if (!arrays.allocate(arrays.stepProgress, static_cast<std::size_t>(plan.stepCount) * sizeof(double))) {
        return memoryError(services);
    }
    plan.stepProgress = static_cast<double*>(arrays.stepProgress.data);
    fillStepValues(plan.stepProgress, plan.stepCount, s.completion, plan.timing);
    return easeStepValues(plan.stepProgress, plan.stepCount, s.easing, s.easingMode, services.easingKeyframes(),
                          plan.effectiveCompletion);
}

void fillRankMap(const WipeSettings& s, FramePlan& plan) {
    const auto dependenceKind = popupChoice<DependenceKind>(s.directionDependence);
    const bool dependence = !plan.rowMode && dependenceKind != DependenceKind::Off;
    if (!plan.moveStacking && !dependence) return;
    BlockRecord* blocks = plan.blocks;
    const int32_t count = plan.blockCount;
    // Row mode gives every block a distinct position whatever the insider mode, so
    // it is filled like Retain; compacting would let an outsider take an insider's entry.
    const bool retain = popupChoice<InsiderModeKind>(s.orderInsiderMode) == InsiderModeKind::Retain;
    const bool sequential = s.orderInsider < 1.0 && (retain || plan.rowMode);
    if (sequential) {
        for (int32_t b = 0; b < count; ++b) {
            const int32_t rank = blocks[b].rank;
            const int32_t p = rank >= 0 ? rank : -1 - rank;
            if (rank != kUnassignedRank && p < count) blocks[p].blockAtRank = b;
        }
    } else {
        int32_t cursor = count - 1;
        for (int32_t b = 0; b < count; ++b) {
            const int32_t rank = blocks[b].rank;
            if (rank >= 0) {
                if (rank < count) blocks[rank].blockAtRank = b;
            } else if (rank != kUnassignedRank && cursor >= 0) {
                blocks[cursor--].blockAtRank = b;
            }
        }
    }
    if (dependence) applyDirectionDependence(blocks, plan.directions, count, dependenceKind);
    if (popupChoice<ZIndexKind>(s.zIndex) == ZIndexKind::Random) {
        SeededRandom stackingGenerator(s.zIndexSeed);
        shuffleStackingOrder(blocks, count, stackingGenerator);
    }
}

int32_t planFrame(const WipeSettings& settings, int32_t imageWidth, int32_t imageHeight,
                  PlanServices& services, FrameArrays& arrays, FramePlan& plan) {
    const int32_t err = planWipe(settings, fullResolution(imageWidth, imageHeight), imageWidth, imageHeight,
                                 services, arrays, plan);
    if (err == kErrNone) fillRankMap(settings, plan);
    return err;
}

namespace {

// The pipeline from planning to the last pass, drawing into an output that shows
// `outputArea` of the frame through `services`.
int32_t drawFrame(const WipeSettings& settings, const FrameGeometry& geometry, const ImageView& input,
                  const ImageView& output, const Rect& outputArea, PixelDepth depth, RenderServices& services) {
    FrameArrays arrays(services);
    FramePlan plan;
    int32_t err = planWipe(settings, geometry, input.width, input.height, services, arrays, plan);
    if (err == kErrNone) err = prepareOutput(settings, plan, services);
    if (err == kErrNone) fillRankMap(settings, plan);
    plan.lateOutsiders = plan.moveStacking && popupChoice<ZIndexKind>(settings.zIndex) == ZIndexKind::Late;
    const BlockPainter painter{settings, plan, output, outputArea, depth, services,
                               frameCompositeMode(settings.blendMode)};
    const bool outsidersExist = plan.pathOrder || settings.orderInsider < 1.0;
    const double completion = plan.effectiveCompletion;
    if (err == kErrNone && outsidersExist) err = drawOutsiders(painter);
    if (err == kErrNone && completion > 0.0 && completion < 1.0) err = drawBlocks(painter);
    if (err == kErrNone && outsidersExist) err = drawLateOutsiders(painter);
    return err;
}

}  // namespace

int32_t renderFrame(const WipeSettings& settings, const ImageView& input, const ImageView& output,
                    PixelDepth depth, RenderServices& services) {
    return renderFrame(settings, fullResolution(input.width, input.height), input, output, depth, services);
}

int32_t renderFrame(const WipeSettings& settings, const FrameGeometry& geometry, const ImageView& input,
                    const ImageView& output, PixelDepth depth, RenderServices& services) {
    if (!imagesFit(input, output)) return kErrBadImageSize;
    return drawFrame(settings, geometry, input, output, Rect{0, 0, input.width, input.height}, depth, services);
}

int32_t renderFrame(const WipeSettings& settings, const FrameGeometry& geometry, const ImageView& input,
                    const ImageView& output, const Rect& outputArea, PixelDepth depth, RenderServices& services) {
    if (!windowFits(input, output, outputArea)) return kErrBadImageSize;
    const Rect image{0, 0, input.width, input.height};
    if (!(outputArea.left >= 0 && outputArea.top >= 0 && outputArea.right <= image.right &&
          outputArea.bottom <= image.bottom)) {
        // What the window shows beyond the image stays transparent; nothing draws there.
        if (const int32_t err = services.fill(nullptr)) return err;
    }
    WindowServices window(services, outputArea, input.width, input.height);
    return drawFrame(settings, geometry, input, output, outputArea, depth, window);
}

}  // namespace tilesweep
