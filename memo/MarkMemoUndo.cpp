// The document's undo list: recording with typing merged, trimming, undo and redo.
#include "MarkMemoDocument.h"

#include <algorithm>

void TMarkMemoDocument::RecordUndo(int32_t start, int32_t stop, int32_t newLength,
                                   std::string replaced) {
    const bool replaying = Replaying();
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

void TMarkMemoDocument::TrimUndo() {
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

void TMarkMemoDocument::DoUndoStep(bool redo, const TReplacer& replace) {
    const int slot = redo ? undoPos_ : undoPos_ - 1;
    TUndoRec rec = undo_[size_t(slot)];
    if (!redo) --undoPos_;
    (redo ? redoing_ : undoing_) = true;
    try {
        if (replace)
            replace(rec.StartPos, rec.StopPos, rec.Text);
        else
            Replace(rec.StartPos, rec.StopPos, rec.Text);
    } catch (...) {
        undoing_ = redoing_ = false;
        throw;
    }
    undoing_ = redoing_ = false;
    groupBreak_ = true;
}

void TMarkMemoDocument::Undo(const TReplacer& replace) {
    if (Replaying()) return;
    while (undoPos_ > 0 && undoPos_ <= int(undo_.size())) {
        bool linked = undo_[size_t(undoPos_ - 1)].Linked;
        DoUndoStep(false, replace);
        if (!linked) break;
    }
}

void TMarkMemoDocument::Redo(const TReplacer& replace) {
    if (Replaying()) return;
    while (undoPos_ < int(undo_.size())) {
        DoUndoStep(true, replace);
        if (undoPos_ >= int(undo_.size()) || !undo_[size_t(undoPos_)].Linked) break;
    }
}

void TMarkMemoDocument::LinkLastUndo() {
    if (undoPos_ >= 2) undo_[size_t(undoPos_ - 1)].Linked = true;
}

void TMarkMemoDocument::ClearUndo() {
    undo_.clear();
    undoPos_ = 0;
    undoSize_ = 0;
    groupBreak_ = false;
}

void TMarkMemoDocument::SetUndoMaxSpace(int value) {
    undoMaxSpace_ = std::max(0, value);
    TrimUndo();
}

void TMarkMemoDocument::SetUndoMaxLevel(int value) {
    if (value > 134217727) throw EListError("Undo set too high");
    undoMaxLevel_ = std::max(0, value);
    // keep at most max(position, level) records, then drop the oldest beyond the level
    size_t keep = size_t(std::max(undoPos_, undoMaxLevel_));
    while (undo_.size() > keep) {
        undoSize_ -= undo_.back().Size();
        undo_.pop_back();
    }
    while (undoPos_ > undoMaxLevel_) {
        undoSize_ -= undo_.front().Size();
        undo_.pop_front();
        --undoPos_;
    }
}
