// Rectangle helpers. A rectangle is empty when it has no width or height;
// results that would be empty are set to all zeros, as on Windows.
#include <winuser.h>

#include <algorithm>

extern "C" {

BOOL WINAPI SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom) {
    if (!lprc)
        return FALSE;
    *lprc = {xLeft, yTop, xRight, yBottom};
    return TRUE;
}

BOOL WINAPI SetRectEmpty(LPRECT lprc) {
    if (!lprc)
        return FALSE;
    *lprc = {0, 0, 0, 0};
    return TRUE;
}

BOOL WINAPI CopyRect(LPRECT lprcDst, const RECT* lprcSrc) {
    if (!lprcDst || !lprcSrc)
        return FALSE;
    *lprcDst = *lprcSrc;
    return TRUE;
}

BOOL WINAPI OffsetRect(LPRECT lprc, int dx, int dy) {
    if (!lprc)
        return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL WINAPI InflateRect(LPRECT lprc, int dx, int dy) {
    if (!lprc)
        return FALSE;
    lprc->left -= dx;
    lprc->right += dx;
    lprc->top -= dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL WINAPI IsRectEmpty(const RECT* lprc) {
    if (!lprc)
        return TRUE;
    return (lprc->right <= lprc->left || lprc->bottom <= lprc->top) ? TRUE : FALSE;
}

BOOL WINAPI IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
    if (!lprcDst || !lprcSrc1 || !lprcSrc2)
        return FALSE;
    RECT out{std::max(lprcSrc1->left, lprcSrc2->left), std::max(lprcSrc1->top, lprcSrc2->top),
             std::min(lprcSrc1->right, lprcSrc2->right),
             std::min(lprcSrc1->bottom, lprcSrc2->bottom)};
    if (IsRectEmpty(lprcSrc1) || IsRectEmpty(lprcSrc2) || IsRectEmpty(&out)) {
        *lprcDst = {0, 0, 0, 0};
        return FALSE;
    }
    *lprcDst = out;
    return TRUE;
}

BOOL WINAPI UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
    if (!lprcDst || !lprcSrc1 || !lprcSrc2)
        return FALSE;
    const bool empty1 = IsRectEmpty(lprcSrc1);
    const bool empty2 = IsRectEmpty(lprcSrc2);
    if (empty1 && empty2) {
        *lprcDst = {0, 0, 0, 0};
        return FALSE;
    }
    if (empty1) {
        *lprcDst = *lprcSrc2;
        return TRUE;
    }
    if (empty2) {
        *lprcDst = *lprcSrc1;
        return TRUE;
    }
    *lprcDst = {std::min(lprcSrc1->left, lprcSrc2->left), std::min(lprcSrc1->top, lprcSrc2->top),
                std::max(lprcSrc1->right, lprcSrc2->right),
                std::max(lprcSrc1->bottom, lprcSrc2->bottom)};
    return TRUE;
}

BOOL WINAPI PtInRect(const RECT* lprc, POINT pt) {
    if (!lprc)
        return FALSE;
    return (pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom)
               ? TRUE
               : FALSE;
}

BOOL WINAPI EqualRect(const RECT* lprc1, const RECT* lprc2) {
    if (!lprc1 || !lprc2)
        return FALSE;
    return (lprc1->left == lprc2->left && lprc1->top == lprc2->top &&
            lprc1->right == lprc2->right && lprc1->bottom == lprc2->bottom)
               ? TRUE
               : FALSE;
}

}  // extern "C"
