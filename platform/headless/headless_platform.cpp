#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "platform/host_text.h"

namespace love::platform::headless {

int runToExit(const std::function<void()>& program) {
    try {
        program();
    } catch (const Terminated& terminated) {
        return terminated.exitCode;
    }
    throw std::logic_error("headless: the program returned without ending the process");
}

HeadlessPlatform::HeadlessPlatform() = default;
HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::scriptMessageBoxAnswers(std::vector<int> answers) {
    answers_.assign(answers.begin(), answers.end());
}

void HeadlessPlatform::scheduleClose(std::uint64_t atMs, NativeHandle window) {
    ScheduledAction action{atMs, Message{Message::Kind::Close, window}};
    scheduled_.insert(std::upper_bound(scheduled_.begin(), scheduled_.end(), atMs,
                                       [](std::uint64_t t, const ScheduledAction& a) { return t < a.atMs; }),
                      action);
}

void HeadlessPlatform::scheduleEscape(std::uint64_t atMs) {
    ScheduledAction action{atMs, Message{Message::Kind::Escape, 0}};
    scheduled_.insert(std::upper_bound(scheduled_.begin(), scheduled_.end(), atMs,
                                       [](std::uint64_t t, const ScheduledAction& a) { return t < a.atMs; }),
                      action);
}

void HeadlessPlatform::setAudio(bool present, AudioOpener open) {
    audioPresent_ = present;
    openAudio_ = std::move(open);
}

std::vector<NativeHandle> HeadlessPlatform::topLevelWindows() const {
    std::vector<NativeHandle> windows;
    for (const auto& [handle, record] : records_) {
        if (!record.isSurface) windows.push_back(handle);
    }
    return windows;
}

bool HeadlessPlatform::isEnabled(NativeHandle window) const {
    const Record* record = find(window);
    return record != nullptr && record->enabled;
}

NativeHandle HeadlessPlatform::ownerOf(NativeHandle window) const {
    const Record* record = find(window);
    return record == nullptr ? 0 : record->owner;
}

bool HeadlessPlatform::isColourKeyed(NativeHandle window) const {
    const Record* record = find(window);
    return record != nullptr && record->colourKey.has_value();
}

std::uint32_t HeadlessPlatform::colourKey(NativeHandle window) const {
    const Record* record = find(window);
    return record != nullptr && record->colourKey ? *record->colourKey : 0;
}

bool HeadlessPlatform::timerRunning(NativeHandle window, std::uint32_t timerId) const {
    return timers_.contains({window, timerId});
}

HeadlessPlatform::Record* HeadlessPlatform::find(NativeHandle handle) {
    const auto found = records_.find(handle);
    return found == records_.end() ? nullptr : &found->second;
}

const HeadlessPlatform::Record* HeadlessPlatform::find(NativeHandle handle) const {
    const auto found = records_.find(handle);
    return found == records_.end() ? nullptr : &found->second;
}

bool HeadlessPlatform::onScreen(NativeHandle handle) const {
    const Record* record = find(handle);
    if (record == nullptr || !record->visible) return false;
    return !record->isSurface || onScreen(record->parent);
}

void HeadlessPlatform::requestPaint(NativeHandle handle) {
    if (std::find(paintsPending_.begin(), paintsPending_.end(), handle) == paintsPending_.end()) {
        paintsPending_.push_back(handle);
    }
}

void HeadlessPlatform::resizePixels(Record& record) {
    const auto w = static_cast<std::size_t>(std::max(record.rect.width, 0));
    const auto h = static_cast<std::size_t>(std::max(record.rect.height, 0));
    record.pixels.assign(w * h, 0);
}

void HeadlessPlatform::log(WindowOperation operation) {
    operation.atMs = nowMs_;
    windowLog_.push_back(std::move(operation));
}

NativeHandle HeadlessPlatform::createWindow(const WindowSpec& windowSpec) {
    if (windowSpec.owner != 0 && (find(windowSpec.owner) == nullptr || find(windowSpec.owner)->isSurface)) return 0;
    const NativeHandle handle = nextHandle_++;
    Record& record = records_[handle];
    record.owner = windowSpec.owner;
    record.rect = windowSpec.rect;
    record.enabled = !windowSpec.style.disabled;
    record.minimised = windowSpec.style.startMinimised;
    record.maximised = windowSpec.style.startMaximised;
    if (record.maximised) record.rect = Rect{0, 0, screen_.width, screen_.height};
    resizePixels(record);
    log({.kind = WindowOperation::Kind::Create, .handle = handle, .windowSpec = windowSpec, .rect = record.rect});
    if (createdHook_) createdHook_(handle);
    return handle;
}

NativeHandle HeadlessPlatform::createSurface(NativeHandle parent, Rect rect, bool visible) {
    const Record* window = find(parent);
    if (window == nullptr || window->isSurface) return 0;
    const NativeHandle handle = nextHandle_++;
    Record& record = records_[handle];
    record.isSurface = true;
    record.parent = parent;
    record.rect = rect;
    record.visible = visible;
    resizePixels(record);
    log({.kind = WindowOperation::Kind::CreateSurface,
         .handle = handle,
         .parent = parent,
         .rect = rect,
         .flag = visible});
    if (onScreen(handle)) requestPaint(handle);
    return handle;
}

void HeadlessPlatform::destroy(NativeHandle windowOrSurface) {
    Record* record = find(windowOrSurface);
    if (record == nullptr) return;
    // What a window takes with it: its surfaces and the windows it owns.
    std::vector<NativeHandle> dependants;
    for (const auto& [handle, other] : records_) {
        if ((other.isSurface && other.parent == windowOrSurface) ||
            (!other.isSurface && other.owner == windowOrSurface)) {
            dependants.push_back(handle);
        }
    }
    for (NativeHandle dependant : dependants) destroy(dependant);
    log({.kind = WindowOperation::Kind::Destroy, .handle = windowOrSurface});
    records_.erase(windowOrSurface);
    libraries_.forgetWindow(windowOrSurface);
    std::erase_if(timers_, [&](const auto& entry) { return entry.first.first == windowOrSurface; });
    std::erase_if(queue_, [&](const Message& m) { return m.window == windowOrSurface; });
    std::erase(paintsPending_, windowOrSurface);
    if (active_ == windowOrSurface) active_ = 0;
}

void HeadlessPlatform::show(NativeHandle window, ShowCommand command) {
    Record* record = find(window);
    if (record == nullptr || record->isSurface) return;
    const bool wasOnScreen = record->visible;
    log({.kind = WindowOperation::Kind::Show, .handle = window, .show = command});
    switch (command) {
        case ShowCommand::Hide:
            record->visible = false;
            if (active_ == window) active_ = 0;
            return;
        case ShowCommand::Normal:
            record->minimised = false;
            record->maximised = false;
            break;
        case ShowCommand::Minimised:
            record->minimised = true;
            record->maximised = false;
            break;
        case ShowCommand::Maximised:
            record->minimised = false;
            record->maximised = true;
            if (record->rect != Rect{0, 0, screen_.width, screen_.height}) {
                record->rect = Rect{0, 0, screen_.width, screen_.height};
                resizePixels(*record);
            }
            break;
    }
    record->visible = true;
    active_ = window;
    if (!wasOnScreen) {
        requestPaint(window);
        for (const auto& [handle, other] : records_) {
            if (other.isSurface && other.parent == window && other.visible) requestPaint(handle);
        }
    }
}

void HeadlessPlatform::activate(NativeHandle window) {
    const Record* record = find(window);
    if (record == nullptr || record->isSurface) return;
    log({.kind = WindowOperation::Kind::Activate, .handle = window});
    active_ = window;
}

void HeadlessPlatform::setRect(NativeHandle windowOrSurface, Rect rect) {
    Record* record = find(windowOrSurface);
    if (record == nullptr) return;
    log({.kind = WindowOperation::Kind::SetRect, .handle = windowOrSurface, .rect = rect});
    const bool resized = rect.width != record->rect.width || rect.height != record->rect.height;
    const bool moved = rect.x != record->rect.x || rect.y != record->rect.y;
    record->rect = rect;
    if (!record->isSurface) record->maximised = false;
    if (resized) resizePixels(*record);
    // A moved surface shows its area afresh; a window keeps its content when it only moves.
    if ((resized || (moved && record->isSurface)) && onScreen(windowOrSurface)) requestPaint(windowOrSurface);
}

Rect HeadlessPlatform::rect(NativeHandle windowOrSurface) const {
    const Record* record = find(windowOrSurface);
    return record == nullptr ? Rect{} : record->rect;
}

bool HeadlessPlatform::isVisible(NativeHandle windowOrSurface) const {
    const Record* record = find(windowOrSurface);
    return record != nullptr && record->visible;
}

bool HeadlessPlatform::isMinimised(NativeHandle window) const {
    const Record* record = find(window);
    return record != nullptr && record->minimised;
}

bool HeadlessPlatform::isMaximised(NativeHandle window) const {
    const Record* record = find(window);
    return record != nullptr && record->maximised;
}

void HeadlessPlatform::enable(NativeHandle window, bool enabled) {
    Record* record = find(window);
    if (record == nullptr) return;
    log({.kind = WindowOperation::Kind::Enable, .handle = window, .flag = enabled});
    record->enabled = enabled;
}

void HeadlessPlatform::setVisible(NativeHandle surface, bool visible) {
    Record* record = find(surface);
    if (record == nullptr || !record->isSurface) return;
    log({.kind = WindowOperation::Kind::SetVisible, .handle = surface, .flag = visible});
    const bool was = record->visible;
    record->visible = visible;
    if (visible && !was && onScreen(surface)) requestPaint(surface);
}

PixelView HeadlessPlatform::pixels(NativeHandle windowOrSurface) {
    Record* record = find(windowOrSurface);
    if (record == nullptr || record->pixels.empty()) return {};
    return PixelView{record->pixels.data(), record->rect.width, record->rect.height};
}

void HeadlessPlatform::present(NativeHandle windowOrSurface, Rect area) {
    presentations_.push_back({windowOrSurface, area, std::nullopt});
}

void HeadlessPlatform::presentFill(NativeHandle windowOrSurface, Rect area, std::uint32_t rgb) {
    presentations_.push_back({windowOrSurface, area, rgb});
}

void HeadlessPlatform::postDestroyRequest(NativeHandle window) {
    if (find(window) != nullptr) queue_.push_back(Message{Message::Kind::Destroy, window});
}

void HeadlessPlatform::startTimer(NativeHandle window, std::uint32_t timerId, std::uint32_t periodMs) {
    if (find(window) == nullptr || periodMs == 0) return;
    timers_[{window, timerId}] = Timer{periodMs, nowMs_ + periodMs};
}

void HeadlessPlatform::stopTimer(NativeHandle window, std::uint32_t timerId) { timers_.erase({window, timerId}); }

void HeadlessPlatform::takeDueActions() {
    while (!scheduled_.empty() && scheduled_.front().atMs <= nowMs_) {
        Message message = scheduled_.front().message;
        scheduled_.erase(scheduled_.begin());
        if (message.kind == Message::Kind::Escape) message.window = active_;  // the focus is where Esc goes
        if (find(message.window) != nullptr) queue_.push_back(message);
    }
}

void HeadlessPlatform::deliver(const Message& message) {
    if (sink_ == nullptr) return;
    switch (message.kind) {
        case Message::Kind::Destroy:
            sink_->destroyRequested(message.window);
            break;
        case Message::Kind::Close:
            sink_->closeRequested(message.window, CloseCause::CloseBox);
            break;
        case Message::Kind::Escape:
            sink_->closeRequested(message.window, CloseCause::EscapeKey);
            break;
    }
}

bool HeadlessPlatform::dispatchOne(bool stopAtQuit) {
    takeDueActions();
    if (!queue_.empty()) {
        const Message message = queue_.front();
        queue_.pop_front();
        deliver(message);
        return true;
    }
    if (stopAtQuit && quitPosted_) return false;
    while (!paintsPending_.empty()) {
        const NativeHandle handle = paintsPending_.front();
        paintsPending_.erase(paintsPending_.begin());
        if (!onScreen(handle)) continue;
        const Rect area{0, 0, find(handle)->rect.width, find(handle)->rect.height};
        if (sink_ != nullptr) sink_->paintRequested(handle, area);
        return true;
    }
    auto due = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.dueMs <= nowMs_ && (due == timers_.end() || it->second.dueMs < due->second.dueMs)) due = it;
    }
    if (due == timers_.end()) return false;
    // One pending tick however many periods went by; the next comes at the next period boundary.
    Timer& timer = due->second;
    timer.dueMs += ((nowMs_ - timer.dueMs) / timer.periodMs + 1) * timer.periodMs;
    const auto [window, timerId] = due->first;
    if (sink_ != nullptr) sink_->timerTicked(window, timerId);
    return true;
}

std::optional<std::uint64_t> HeadlessPlatform::nextEventTime() const {
    std::optional<std::uint64_t> next;
    if (!scheduled_.empty()) next = scheduled_.front().atMs;
    for (const auto& [key, timer] : timers_) {
        if (!next || timer.dueMs < *next) next = timer.dueMs;
    }
    return next;
}

bool HeadlessPlatform::waitAndDispatch() {
    for (;;) {
        if (dispatchOne(true)) return true;
        if (quitPosted_) {
            quitPosted_ = false;
            return false;
        }
        const std::optional<std::uint64_t> next = nextEventTime();
        if (!next || *next > timeLimitMs_) throw Stalled{nowMs_};
        nowMs_ = std::max(nowMs_, *next);
    }
}

void HeadlessPlatform::dispatchPending() {
    while (dispatchOne(true)) {
    }
}

int HeadlessPlatform::defaultAnswer(std::uint32_t style) const {
    // The buttons of each box type (IDOK 1, IDCANCEL 2, IDABORT 3, IDRETRY 4, IDIGNORE 5, IDYES 6,
    // IDNO 7, IDTRYAGAIN 10, IDCONTINUE 11), and the default button the style picks.
    static constexpr std::array<std::array<int, 3>, 7> kButtons = {{
        {1, 1, 1},
        {1, 2, 2},
        {3, 4, 5},
        {6, 7, 2},
        {6, 7, 7},
        {4, 2, 2},
        {2, 10, 11},
    }};
    const std::uint32_t type = style & 0xFu;
    if (type >= kButtons.size()) return 1;
    return kButtons[type][std::min<std::uint32_t>((style >> 8) & 0x3u, 2)];
}

int HeadlessPlatform::messageBox(std::string_view gbkText, std::string_view gbkTitle, std::uint32_t style) {
    boxes_.push_back({std::string(gbkText), std::string(gbkTitle), style, nowMs_});
    const MessageBoxRecord record = boxes_.back();
    // The box's own modal loop turns the queue while it is up.
    dispatchPending();
    if (boxHandler_) return boxHandler_(record);
    if (!answers_.empty()) {
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return defaultAnswer(style);
}

void HeadlessPlatform::terminate(int exitCode) { throw Terminated{exitCode}; }

std::unique_ptr<Font> HeadlessPlatform::createFont(const FontRequest& request) { return host::createFont(request); }

std::u32string HeadlessPlatform::decodeGbk(std::string_view gbk) const { return host::decodeGbk(gbk); }

std::unique_ptr<AudioOutput> HeadlessPlatform::openAudio(std::span<const std::uint8_t> format, AudioDoneCallback done) {
    if (!audioPresent_ || !openAudio_) return nullptr;
    return openAudio_(format, std::move(done));
}

bool HeadlessPlatform::isWindow(NativeHandle window) const {
    const Record* record = find(window);
    return record != nullptr && !record->isSurface;
}

void HeadlessPlatform::setColourKey(NativeHandle window, std::uint32_t colorref) {
    Record* record = find(window);
    if (record == nullptr) return;
    record->colourKey = colorref;
    log({.kind = WindowOperation::Kind::ColourKey, .handle = window, .colorref = colorref});
}

}  // namespace love::platform::headless

namespace love::platform {

std::unique_ptr<Platform> createPlatform() { return std::make_unique<headless::HeadlessPlatform>(); }

}  // namespace love::platform
