#pragma once

#include "task/conversionitem.h"
#include "ui/mclistadapterbase.h"

#include <string>

class ConversionList;

// The conversion list `mclv_convert` as an item model over the rows of the function the page
// shows. The conversion session and its threads change the rows; the window turns what they
// report into the notifications here. UI thread only.
class CConvMcListAdapterMgr : public CMcListAdapterBase
{
    Q_OBJECT

public:
    // Extra roles of column 0 for the row widgets.
    enum Role
    {
        StatusRole = Qt::UserRole + 1, // int value of ConversionStatus
        ProgressRole,
        StatusTextRole,
        DetailTextRole,
    };

    // How a row in a status looks: status text or progress bar, and which buttons it offers.
    struct RowLook
    {
        bool progress = false;
        bool download = false;
        bool openButtons = false;
        bool remove = false;
    };
    static RowLook LookOf(ConversionStatus status);

    explicit CConvMcListAdapterMgr(const ConversionList& list, QObject* parent = nullptr);

    std::string CurrentFunction() const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    int DataCount() const override;

private:
    const ConversionList& list;
};
