#pragma once
// The pop-ups over the line map as tracking tool-tip windows owned by the
// main window: card pop-ups (balloon style, a few at once, each closing
// after 4000 ms; the newest counts the card events that got none of their
// own), the controller balloon and the sensor pop-up (rectangles
// with a corner mark that points at the cell, in their colour). None takes
// input (disabled, transparent to the mouse, never activated). They follow
// the main window, hide while it is minimized, stay below an open dialog,
// and card and sensor pop-ups never cover the controller balloon.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tulex::win32 {

class Popups {
public:
    static constexpr UINT kCardLifetimeMs = 4000;
    // Timer identifiers of the card pop-ups on the owner start here.
    static constexpr UINT_PTR kFirstCardTimer = 0x1000;

    // screenPoint gives the screen point of an index's cell anchor.
    Popups(HWND owner, std::function<POINT(std::uint8_t)> screenPoint);
    ~Popups();
    Popups(const Popups&) = delete;
    Popups& operator=(const Popups&) = delete;

    // The main window's dots per inch: the pop-ups' widths follow it.
    void SetDpi(int dpi) { dpi_ = dpi; }

    // A card pop-up. With kMaxCardPopups on screen the oldest goes, and its
    // event is counted on the newest.
    void ShowCard(std::uint8_t index, const std::wstring& title, const std::wstring& text);
    // Card events that got no pop-up of their own.
    void CountSkipped(std::size_t count);
    void RemoveAllCards();
    // The owner's WM_TIMER: true when it was a card's, which is then gone.
    bool CardTimer(UINT_PTR id);

    void ShowBalloon(std::uint8_t index, const std::wstring& title, const std::wstring& text, COLORREF colour);
    void SetBalloonText(const std::wstring& text);
    void RemoveBalloon();

    void ShowSensor(std::uint8_t index, const std::wstring& text);
    void RemoveSensor();

    // The owner was minimized (hide) or restored (show), or moved.
    void HideAll();
    void ShowAll();
    void MoveAll();
    // While a dialog is open no pop-up shows: none can cover it. They come
    // back when the last dialog has closed (the cards still within their time).
    void SetDialogOpen(bool open);

    HWND balloon() const { return balloon_.window; }
    HWND sensor() const { return sensor_.window; }
    std::size_t cardCount() const { return cards_.size(); }

private:
    struct Popup {
        HWND window = nullptr;
        std::uint8_t index = 0;
        UINT_PTR timer = 0;
        std::wstring text;  // a card's own text, without the count
    };
    Popup Create(bool balloonStyle, std::uint8_t index, const std::wstring& title, const std::wstring& text,
                 const COLORREF* colour, bool cornerMark);
    void Place(const Popup& popup);
    void Present(const Popup& popup);
    void Activate(const Popup& popup, bool on);
    // Raises the balloon over card and sensor pop-ups, and an open dialog over all.
    void Restack();
    static void Destroy(Popup& popup);
    static void SetText(const Popup& popup, const std::wstring& text);
    void RemoveCard(std::size_t position);
    // The count on the newest card, none on the others.
    void UpdateNote();

    HWND owner_;
    std::function<POINT(std::uint8_t)> screenPoint_;
    int dpi_ = 96;
    std::vector<Popup> cards_;
    Popup balloon_;
    Popup sensor_;
    std::size_t skipped_ = 0;  // card events counted since the cards were last all gone
    UINT_PTR nextTimer_ = kFirstCardTimer;
    bool hidden_ = false;
    bool dialogOpen_ = false;
};

}  // namespace tulex::win32
