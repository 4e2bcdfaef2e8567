#include "framework/Subclass.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "framework/Application.h"

namespace kelo::win {

namespace {

// The layers of one window, inside out (ascending id), above the procedure the window
// had before the first of them.
struct Layer {
    SubclassId id;
    SubclassHook* hook;
    unsigned drawsNonClient = 0;  // NonClientPart
};
struct Chain {
    WNDPROC original = nullptr;
    std::vector<Layer> layers;
    bool drawnWhole = false;
};

// Every hooked window's chain. Looking a window up here costs nothing next to the
// system's own ways (window properties, SetWindowSubclass), which under Wine are a trip
// to the window server on every message and every layer.
std::unordered_map<HWND, Chain>& Chains() {
    static std::unordered_map<HWND, Chain> chains;
    return chains;
}

Chain* ChainOf(HWND hwnd) {
    auto it = Chains().find(hwnd);
    return it == Chains().end() ? nullptr : &it->second;
}

// The layers running now, innermost call last: CallNext goes on below the last one
// running for its window. Messages to a window nest (a layer sends the window another
// message), and each nested message starts again at the top of the chain.
struct Running {
    HWND hwnd;
    SubclassId id;
    WNDPROC original;
};
std::vector<Running>& RunningLayers() {
    static std::vector<Running> running;
    return running;
}

LRESULT CALLBACK ChainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Whether the layers paint all of a control's non-client area between them. Under Wine's
// theme a control's own non-client paint with scroll bars takes several milliseconds.
bool LayersPaintNonClient(const Chain& chain) {
    unsigned parts = 0;
    for (const Layer& layer : chain.layers) parts |= layer.drawsNonClient;
    return parts == (kNonClientFrame | kNonClientScrollBars);
}

// Passes the message to the highest layer below `below`, or to the window's own
// procedure when there is none.
LRESULT CallBelow(HWND hwnd, SubclassId below, WNDPROC original, UINT msg, WPARAM wParam,
                  LPARAM lParam) {
    const Chain* chain = ChainOf(hwnd);
    // The window was destroyed inside the message: there is nothing left to pass it to.
    if (!chain) return 0;
    const Layer* next = nullptr;
    for (const Layer& layer : chain->layers)
        if (layer.id < below) next = &layer;
    if (!next) {
        if (msg == WM_NCPAINT && LayersPaintNonClient(*chain)) return 0;
        return CallWindowProcW(original, hwnd, msg, wParam, lParam);
    }
    const Layer layer = *next;  // the chain may change while the layer runs
    RunningLayers().push_back({hwnd, layer.id, original});
    struct Pop {
        ~Pop() { RunningLayers().pop_back(); }
    } pop;
    // A hook's error ends the message here: it must not unwind through the system's code.
    try {
        LRESULT result = 0;
        if (layer.hook->Handle(hwnd, msg, wParam, lParam, result)) return result;
    } catch (...) {
        Application().ShowCurrentException(hwnd);
        return 0;
    }
    return CallBelow(hwnd, layer.id, original, msg, wParam, lParam);
}

LRESULT CALLBACK ChainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = Chains().find(hwnd);
    if (it == Chains().end()) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // The window's own procedure sees the message first; then every layer hears it
        // is gone, inside out, and its owner may free it.
        Chain chain = std::move(it->second);
        Chains().erase(it);
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &ChainProc)
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain.original));
        const LRESULT result = CallWindowProcW(chain.original, hwnd, msg, wParam, lParam);
        for (const Layer& layer : chain.layers) layer.hook->OnDetached(hwnd);
        return result;
    }
    return CallBelow(hwnd, static_cast<SubclassId>(~UINT_PTR{0}), it->second.original, msg, wParam,
                     lParam);
}

bool RunningOn(HWND hwnd) {
    const auto& running = RunningLayers();
    return std::any_of(running.begin(), running.end(), [hwnd](const Running& r) { return r.hwnd == hwnd; });
}

}  // namespace

bool AttachSubclass(HWND hwnd, SubclassId id, SubclassHook* hook) {
    Chain* chain = ChainOf(hwnd);
    if (!chain) {
        DWORD process = 0;
        if (!hwnd || !GetWindowThreadProcessId(hwnd, &process) || process != GetCurrentProcessId())
            return false;
        const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
        if (!original || !SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChainProc)))
            return false;
        chain = &Chains()[hwnd];
        chain->original = original;
    }
    // Layers keep their order by id whatever order they come in; an id already there
    // changes its hook in place.
    auto at = std::lower_bound(chain->layers.begin(), chain->layers.end(), id,
                               [](const Layer& layer, SubclassId i) { return layer.id < i; });
    if (at != chain->layers.end() && at->id == id) *at = {id, hook};
    else chain->layers.insert(at, {id, hook});
    return true;
}

void DetachSubclass(HWND hwnd, SubclassId id) {
    Chain* chain = ChainOf(hwnd);
    if (!chain) return;
    std::erase_if(chain->layers, [id](const Layer& layer) { return layer.id == id; });
    // The window gets its own procedure back once nothing is hooked and no layer is
    // running on it, unless another program's hook went on top of ours meanwhile.
    if (!chain->layers.empty() || RunningOn(hwnd) ||
        reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != &ChainProc)
        return;
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
    Chains().erase(hwnd);
}

bool HasSubclass(HWND hwnd, SubclassId id) { return FindSubclass(hwnd, id) != nullptr; }

SubclassHook* FindSubclass(HWND hwnd, SubclassId id) {
    const Chain* chain = ChainOf(hwnd);
    if (!chain) return nullptr;
    for (const Layer& layer : chain->layers)
        if (layer.id == id) return layer.hook;
    return nullptr;
}

void MarkDrawnWhole(HWND hwnd, bool on) {
    if (Chain* chain = ChainOf(hwnd)) chain->drawnWhole = on;
}

bool DrawnWhole(HWND hwnd) {
    const Chain* chain = ChainOf(hwnd);
    return chain && chain->drawnWhole;
}

void MarkDrawsNonClient(HWND hwnd, SubclassId id, unsigned parts) {
    if (Chain* chain = ChainOf(hwnd))
        for (Layer& layer : chain->layers)
            if (layer.id == id) layer.drawsNonClient = parts;
}

LRESULT CallNext(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto& running = RunningLayers();
    for (auto r = running.rbegin(); r != running.rend(); ++r)
        if (r->hwnd == hwnd) return CallBelow(hwnd, r->id, r->original, msg, wParam, lParam);
    // Not called from a layer of this window: only its own procedure is left below.
    if (const Chain* chain = ChainOf(hwnd)) return CallWindowProcW(chain->original, hwnd, msg, wParam, lParam);
    return SendMessageW(hwnd, msg, wParam, lParam);
}

}  // namespace kelo::win
