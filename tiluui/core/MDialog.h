// MDialog: the skinned top-level window the application subclasses for its main window
// and dialogs. It owns a paint manager, turns messages into overridable handlers and
// reports results through DoOK/DoCancel/DoClose/DoYes/DoNo.
//
// Error convention: as MWindow (calls without a live window do nothing and return 0);
// handlers return 0 unless stated.
#pragma once

#include "tiluui/core/MObject.h"
#include "tiluui/core/MWindow.h"
#include "tiluui/core/PaintManager.h"

namespace TiluUI {

/// A skinned top-level window. Controls see its MObject part as their parent.
class MDialog : public MWindow, public MObject {
public:
    MDialog();
    ~MDialog() override;

    // [SECTION] MWindow overrides
    LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    int PreTranslateMessage(MSG* msg) override;
    /// Initialises the paint manager, reads the client rectangle and calls InitUI.
    int OnInitDialog() override;
    /// Releases the paint manager's resources when `hwnd` is its window, then PostNcDestroy.
    void OnDestroyMessage(HWND hwnd) override;

    // [SECTION] MObject part
    /// "MDialog".
    const char* GetClassNameW() const override;
    /// Forwards to OnMessage.
    LRESULT OnBaseMessage(unsigned controlId, unsigned code, WPARAM wParam, LPARAM lParam) override;
    /// Forwards to the paint manager.
    int OnControlUpdate(CRect rect, int fullUpdate, MControl* control) override;

    // [SECTION] Handlers (slot order 8..39)
    /// 8: balloon anchor under a control (left, centre or right of its bottom edge), in screen coordinates.
    virtual CPoint GetAirBladderPoint(MControl* control, unsigned type);
    /// 9: shows the window minimised.
    virtual int OnMinimize();
    /// 10: restores a maximised window, maximises any other.
    virtual int OnMaximize();
    /// 11: build the controls here; called once after creation.
    virtual int InitUI(CRect client);
    /// 12: lay the controls out for a new client size.
    virtual int UISize(CRect client);
    /// 13: a control notification (id, code, wParam, lParam).
    virtual LRESULT OnMessage(unsigned controlId, unsigned code, WPARAM wParam, LPARAM lParam);
    /// 14: the close request carrying a result; posts WM_CLOSE with it and returns 1.
    virtual LRESULT OnUserCloseWindow(WPARAM wParam, LPARAM lParam);
    /// 15: removes caption and thick frame, adds clip-children, clip-siblings and 0x8; returns 1.
    virtual int OnCreate(CREATESTRUCTW* cs);
    /// 16: re-applies translucency, re-reads the client rectangle, calls UISize and repaints.
    virtual int OnSize(UINT type, int cx, int cy);
    virtual int OnMouseMove(UINT flags, CPoint point);       // 17
    virtual int OnMouseLeave(WPARAM wParam, LPARAM lParam);  // 18
    virtual int OnMouseHover(WPARAM wParam, LPARAM lParam);  // 19
    /// 20: a hook only; wheel messages go to the paint manager.
    virtual int OnMouseWheel(UINT flags, short delta, CPoint point);
    virtual int OnLButtonDown(UINT flags, CPoint point);    // 21
    virtual int OnLButtonUp(UINT flags, CPoint point);      // 22
    virtual int OnLButtonDblClk(UINT flags, CPoint point);  // 23
    virtual int OnRButtonDown(UINT flags, CPoint point);    // 24
    virtual int OnRButtonUp(UINT flags, CPoint point);      // 25
    virtual int OnRButtonDblClk(UINT flags, CPoint point);  // 26
    /// 27: a hook only; key messages go to the paint manager.
    virtual int OnKeyDown(UINT key, UINT repeat, UINT flags);
    virtual LRESULT OnNcHitTest(CPoint point);                      // 28 (hook)
    virtual int OnGetMinMaxInfo(MINMAXINFO* info);                  // 29 (hook)
    virtual int OnNcCalcSize(int calcValid, NCCALCSIZE_PARAMS* p);  // 30 (hook)
    virtual int OnNcActivate(int active);                           // 31
    /// 32: returns 1.
    virtual int OnWindowPosChanging(WINDOWPOS* pos);
    /// 33: returns 1.
    virtual int OnWindowPosChanged(WINDOWPOS* pos);
    virtual int OnPaint();         // 34
    virtual int OnTimer(UINT id);  // 35
    virtual int OnNcPaint();       // 36 (hook)
    /// 37: returns 1; the window then closes through the default handling.
    virtual int OnClose();
    virtual int OnDestroy();      // 38
    virtual int PostNcDestroy();  // 39

    // [SECTION] Background and window look
    /// Loads the background image from the skin folder; false when it cannot be loaded.
    bool LoadBKImage(const std::string& path);
    void SetBackMode(enumBackMode mode, int border);
    void SetLayeredWindow(int layered);
    void EnableWndDrag(int enable);
    /// Applies the constant alpha or the colour key (whichever is set) as a layered window.
    void SetupBackTranslucent();
    /// Constant alpha of the whole window (255 opaque), applied by SetupBackTranslucent.
    void SetWindowAlpha(uint8_t alpha) { m_alpha = alpha; }
    /// Colour key for whole-window transparency (0xFFFFFF none), applied by SetupBackTranslucent.
    void SetColorKey(COLORREF key) { m_colorKey = key; }
    void SetScrollResID(unsigned vertical, unsigned horizontal);
    void SetTooltipCtrlID(unsigned id) { m_tooltipCtrlId = id; }
    unsigned GetTooltipCtrlID() const { return m_tooltipCtrlId; }
    /// The window's paint manager.
    PaintManager& GetPaintManager() { return m_pm; }

    // [SECTION] Results
    void DoOK();      // result 1
    void DoCancel();  // result 2
    void DoClose();   // result 2
    void DoYes();     // result 6
    void DoNo();      // result 7

protected:
    PaintManager m_pm;
    CRect m_rcClient;
    COLORREF m_colorKey = 0xFFFFFF;
    uint8_t m_alpha = 255;
    int m_msgOffsetY = 0;
    unsigned m_tooltipCtrlId = 0;
};

}  // namespace TiluUI
