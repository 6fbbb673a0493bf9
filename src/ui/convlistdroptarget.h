#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class CConvMcListAdapterMgr;
class QAbstractItemView;

// Files dropped on the conversion list: those the current function takes go to the list,
// the others are ignored without a word.
class CConvListDropTargetMgr : public QObject
{
    Q_OBJECT

public:
    using AddFiles = std::function<bool(const std::vector<std::string>& paths, bool fromPlugin)>;

    // Registers on `view`, whose lifetime it shares.
    CConvListDropTargetMgr(QAbstractItemView& view, CConvMcListAdapterMgr& adapter,
                           AddFiles addFiles);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CConvMcListAdapterMgr& adapter;
    AddFiles addFiles;
};
