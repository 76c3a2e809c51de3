#include "PeModule.h"

#include <asm/ldt.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "Win32StandIns.h"
#include "X86Thunks.h"

#if !defined(__i386__)
#error "the PE loader builds for 32-bit x86 only"
#endif

namespace tilesweep::pe32 {

namespace {

constexpr uint32_t kDllProcessDetach = 0;
constexpr uint32_t kDllProcessAttach = 1;
// Windows on 32-bit x86 promises 4-byte stack alignment to the library's entries.
constexpr uint32_t kLoaderSkew = 4;

// The thread environment block that 32-bit Windows code reaches through fs.
struct alignas(4096) ThreadBlock {
    uint8_t bytes[4096];
};
struct alignas(4096) ProcessBlock {
    uint8_t bytes[4096];
};
ThreadBlock threadBlock;
ProcessBlock processBlock;
PeModule* loadedModule = nullptr;

void put32(void* at, uint32_t value) { std::memcpy(at, &value, 4); }

uint32_t address(const void* p) { return reinterpret_cast<uint32_t>(p); }

// Points fs at the thread block, once per process: a segment of our own in the
// thread's descriptor table (the C library uses gs, not fs).
void installThreadBlock() {
    static uint16_t selector = 0;
    if (selector == 0) {
        user_desc desc{};
        desc.entry_number = static_cast<unsigned>(-1);
        desc.base_addr = address(&threadBlock);
        desc.limit = sizeof threadBlock - 1;
        desc.seg_32bit = 1;
        desc.useable = 1;
        if (syscall(SYS_set_thread_area, &desc) != 0) {
            throw PeError(std::string("cannot give the library a thread block: ") + std::strerror(errno));
        }
        selector = static_cast<uint16_t>(desc.entry_number * 8 + 3);
    }
    asm volatile("movw %w0, %%fs" : : "q"(selector));
}

std::vector<uint8_t> readFile(const std::string& path) {
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) throw PeError("cannot read " + path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode) || info.st_size > static_cast<off_t>(kMaxImageSize)) {
        throw PeError(path + " is not a plausible plug-in file");
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) throw PeError("cannot read " + path);
    return bytes;
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

struct PeModule::State {
    PeLayout layout;
    ImageMemory image;
    uint8_t* memory = nullptr;
    std::vector<ImportRef> imports;
    std::vector<uint8_t> tlsBlock;
    uint32_t tlsArray[1] = {};
    std::vector<uint32_t> tlsCallbacks;
    bool attached = false;

    ImageView view() const { return ImageView(memory, layout.imageSize); }

    void notify(uint32_t reason) {
        for (uint32_t callback : tlsCallbacks) {
            const uint32_t args[] = {image.base, reason, 0};
            tilesweep_pe32_call_misaligned(reinterpret_cast<const void*>(callback), args, 3, kLoaderSkew);
        }
        if (layout.entryRva == 0) return;
        const uint32_t args[] = {image.base, reason, 0};
        const uint32_t accepted =
            tilesweep_pe32_call_misaligned(reinterpret_cast<const void*>(image.base + layout.entryRva), args, 3, kLoaderSkew);
        if (reason == kDllProcessAttach && accepted == 0) throw PeError("the library's DllMain refused to attach");
    }

    // Page protections from the section flags; the headers read-only.
    void protect() {
        const uint32_t pages = (layout.imageSize + kPageSize - 1) / kPageSize;
        image.pageProtection.assign(pages, 0x02);
        if (layout.sectionAlignment < kPageSize) {
            // Sections share pages: leave the whole image open, as Windows does then.
            image.pageProtection.assign(pages, 0x40);
        } else {
            for (const PeSection& s : layout.sections) {
                if (s.extent == 0) continue;
                for (uint32_t p = s.rva / kPageSize; p <= (s.rva + s.extent - 1) / kPageSize; ++p) {
                    image.pageProtection[p] = windowsProtection(s.characteristics);
                }
            }
        }
        for (uint32_t first = 0; first < pages;) {
            uint32_t end = first + 1;
            while (end < pages && image.pageProtection[end] == image.pageProtection[first]) ++end;
            if (mprotect(memory + first * kPageSize, (end - first) * kPageSize,
                         posixProtection(image.pageProtection[first])) != 0) {
                throw PeError(std::string("cannot protect the image: ") + std::strerror(errno));
            }
            first = end;
        }
    }

    void setUpThreadBlock(const std::optional<TlsInfo>& tls) {
        std::memset(&threadBlock, 0, sizeof threadBlock);
        std::memset(&processBlock, 0, sizeof processBlock);
        uint8_t* teb = threadBlock.bytes;
        pthread_attr_t attributes;
        void* stackLow = nullptr;
        size_t stackSize = 0;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstack(&attributes, &stackLow, &stackSize);
            pthread_attr_destroy(&attributes);
        }
        put32(teb + 0x00, 0xFFFFFFFFu);  // no structured exception handler
        put32(teb + 0x04, address(stackLow) + static_cast<uint32_t>(stackSize));
        put32(teb + 0x08, address(stackLow));
        put32(teb + 0x18, address(teb));
        put32(teb + 0x20, static_cast<uint32_t>(getpid()));
        put32(teb + 0x24, static_cast<uint32_t>(getpid()));
        put32(teb + 0x30, address(&processBlock));
        if (tls) {
            // The library's thread-local block, in slot 0 of the thread's array.
            tlsBlock.assign(static_cast<std::size_t>(tls->templateSize) + tls->zeroFill, 0);
            if (tls->templateSize != 0) std::memcpy(tlsBlock.data(), memory + tls->templateRva, tls->templateSize);
            tlsArray[0] = address(tlsBlock.data());
            put32(teb + 0x2C, address(tlsArray));
            view().put32(tls->indexRva, 0);
        }
        installThreadBlock();
    }
};

PeModule::PeModule(const std::string& path) : state_(std::make_unique<State>()) {
    if (loadedModule != nullptr) throw PeError("another library is loaded");
    State& s = *state_;
    const std::vector<uint8_t> file = readFile(path);
    s.layout = parsePe32(file);
    void* memory = mmap(nullptr, s.layout.imageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw PeError(std::string("cannot map the image: ") + std::strerror(errno));
    s.memory = static_cast<uint8_t*>(memory);
    s.image.base = address(memory);
    s.image.size = s.layout.imageSize;
    s.image.fileName = baseName(path);
    s.image.layout = &s.layout;
    try {
        mapPe32(file, s.layout, s.view());
        relocatePe32(s.layout, s.view(), s.image.base);
        attachStandIns(&s.image);
        s.imports = bindImportsPe32(s.layout, s.view(), standInAddress);
        const std::optional<TlsInfo> tls = tlsPe32(s.layout, s.view(), s.image.base);
        if (tls) {
            for (uint32_t rva : tls->callbackRvas) s.tlsCallbacks.push_back(s.image.base + rva);
        }
        s.setUpThreadBlock(tls);
        s.protect();
        loadedModule = this;
        s.attached = true;
        s.notify(kDllProcessAttach);
    } catch (...) {
        if (s.attached) {
            loadedModule = nullptr;
        }
        attachStandIns(nullptr);
        munmap(s.memory, s.layout.imageSize);
        throw;
    }
}

PeModule::~PeModule() {
    State& s = *state_;
    s.notify(kDllProcessDetach);
    attachStandIns(nullptr);
    munmap(s.memory, s.layout.imageSize);
    loadedModule = nullptr;
}

uint32_t PeModule::base() const { return state_->image.base; }

uint32_t PeModule::exportAddress(const std::string& name) const {
    return state_->image.base + exportRva(state_->layout, state_->view(), name);
}

const std::vector<ImportRef>& PeModule::imports() const { return state_->imports; }

}  // namespace tilesweep::pe32
