// The memo's undo list: recording with typing merged, trimming, undo and redo.
#include "MarkMemo.h"

#include <algorithm>

void TMarkMemo::RecordUndo(int32_t start, int32_t stop, int32_t newLength, std::string replaced) {
    const bool replaying = undoing_ || redoing_;
    if (!replaying) {
        while (int(undo_.size()) > undoPos_) {
            undoSize_ -= undo_.back().Size();
            undo_.pop_back();
        }
        // consecutive typing extends the last record
        if (start == stop && undoPos_ > 0 && !groupBreak_) {
            TUndoRec& lastRec = undo_[size_t(undoPos_ - 1)];
            if (lastRec.StopPos == start && lastRec.StartPos != start && replaced.empty()) {
                lastRec.StopPos += newLength;
                groupBreak_ = false;
                return;
            }
        }
    }
    TUndoRec rec;
    rec.StartPos = start;
    rec.StopPos = start + newLength;
    rec.Text = std::move(replaced);
    if (rec.Size() > MaxParagraphLength) {
        // a change this large is not kept, and nothing before it can be undone
        undo_.clear();
        undoPos_ = 0;
        undoSize_ = 0;
        groupBreak_ = false;
        return;
    }
    undoSize_ += rec.Size();
    if (replaying && undoPos_ < int(undo_.size())) {
        TUndoRec& slot = undo_[size_t(undoPos_)];
        rec.Linked = slot.Linked;
        undoSize_ -= slot.Size();
        slot = std::move(rec);
    } else {
        undo_.push_back(std::move(rec));
    }
    if (!undoing_) ++undoPos_;
    groupBreak_ = false;
    TrimUndo();
}

void TMarkMemo::TrimUndo() {
    while (undoSize_ > undoMaxSpace_ && !undo_.empty()) {
        if (int(undo_.size()) > undoPos_) {
            undoSize_ -= undo_.back().Size();
            undo_.pop_back();
        } else {
            undoSize_ -= undo_.front().Size();
            undo_.pop_front();
            --undoPos_;
        }
    }
}

void TMarkMemo::DoUndoStep(bool redo) {
    const int slot = redo ? undoPos_ : undoPos_ - 1;
    TUndoRec rec = undo_[size_t(slot)];
    if (!redo) --undoPos_;
    (redo ? redoing_ : undoing_) = true;
    try {
        SelectRange(rec.StartPos, rec.StopPos);
        SetSelTextBuf(rec.Text);
    } catch (...) {
        undoing_ = redoing_ = false;
        throw;
    }
    undoing_ = redoing_ = false;
    groupBreak_ = true;
}

void TMarkMemo::Undo() {
    if (undoing_ || redoing_) return;
    while (undoPos_ > 0 && undoPos_ <= int(undo_.size())) {
        bool linked = undo_[size_t(undoPos_ - 1)].Linked;
        DoUndoStep(false);
        if (!linked) break;
    }
}

void TMarkMemo::Redo() {
    if (undoing_ || redoing_) return;
    while (undoPos_ < int(undo_.size())) {
        DoUndoStep(true);
        if (undoPos_ >= int(undo_.size()) || !undo_[size_t(undoPos_)].Linked) break;
    }
}

void TMarkMemo::LinkLastUndo() {
    if (undoPos_ >= 2) undo_[size_t(undoPos_ - 1)].Linked = true;
}
