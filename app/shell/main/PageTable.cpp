#include "shell/main/PageTable.h"

#include "pages/ui/ChangeDevice.h"
#include "pages/ui/ChangePassword.h"
#include "pages/ui/DeveloperPage.h"
#include "pages/ui/DeviceInfoFrame.h"
#include "pages/ui/ExportExcel.h"
#include "pages/ui/ImportExportFrame.h"
#include "pages/ui/InitialDevice.h"
#include "pages/ui/LoginFrame.h"
#include "pages/ui/OSDConfig.h"
#include "pages/ui/RebootDevice.h"
#include "pages/ui/RecoveryDevice.h"
#include "pages/ui/StreamConfigFrame.h"
#include "pages/ui/VideoFormatFrame.h"
#include "search/ui/ExtranetsearchFrame.h"
#include "search/ui/SearchFrame.h"
#include "shell/ui/ToolBarFrame.h"
#include "upgrade/ui/AutoUpgrade.h"
#include "upgrade/ui/UpgradeFrame.h"

namespace PageTable
{

namespace
{

using B = ToolBarButton;
using M = MainFrame;

template <class Page> PageBase* make(QWidget* parent)
{
    return new Page(parent);
}

template <class Page> Page* as(PageBase* const* pages, MainFrame::PageIndex index)
{
    return qobject_cast<Page*>(pages[index]);
}

} // namespace

const QVector<Row>& rows()
{
    static const QVector<Row> table = {
        { M::PageSearch, B::Search, make<SearchFrame>, &M::OnSearchponse, Filter::Normal },
        { M::PageUpgrade, B::Upgrade, make<UpgradeFrame>, &M::OnUpgradeResponse, Filter::Normal },
        { M::PageLogin, B::Config, make<LoginFrame>, &M::OnConfigRequest, Filter::None },
        { M::PageDeviceInfo, B::DeviceInfo, make<DeviceInfoFrame>, &M::OnDeviceInfoRequest, Filter::Normal },
        { M::PageImportExport, B::ImportExport, make<ImportExportFrame>, &M::OnImportExportRequest,
            Filter::Normal },
        { M::PageChangePassword, B::Password, make<ChangePassword>, &M::OnChangePasswordRequest,
            Filter::Normal },
        { M::PageExportExcel, B::ExportExcel, make<ExportExcel>, &M::OnExportExcelRequest, Filter::Normal },
        { M::PageExtranetSearch, B::ExtranetSearch, make<ExtranetsearchFrame>, &M::OnExtranetsearchRequest,
            Filter::Normal },
        { M::PageStreamConfig, B::Stream, make<StreamConfigFrame>, &M::OnStreamConfigRequest,
            Filter::Stream },
        { M::PageOSDConfig, B::OSD, make<OSDConfig>, &M::OnOSDConfigRequest, Filter::Normal },
        { M::PageRecoveryDevice, B::Recovery, make<RecoveryDevice>, &M::OnRecoveryDeviceRequest,
            Filter::Normal },
        { M::PageInitialDevice, B::InitialDevice, make<InitialDevice>, &M::OnInitialDeviceRequest,
            Filter::Normal },
        { M::PageRebootDevice, B::Reboot, make<RebootDevice>, &M::OnRebootDeviceRequest, Filter::Normal },
        { M::PageChangeDevice, B::ChangeDevice, make<ChangeDevice>, &M::OnChangeDeviceRequest,
            Filter::Normal },
        { M::PageDeveloper, B::Developer, make<DeveloperPage>, &M::OnDeveloperPageRequest, Filter::Normal },
        { M::PageAutoUpgrade, B::AutoUpgrade, make<AutoUpgrade>, &M::OnAutoUpgradePageRequest,
            Filter::Normal },
        { M::PageVideoFormat, B::VideoFormat, make<VideoFormatFrame>, &M::OnVideoFormatRequest,
            Filter::Normal },
    };
    return table;
}

const Row* rowOf(MainFrame::PageIndex index)
{
    for (const Row& row : rows()) {
        if (row.index == index)
            return &row;
    }
    return nullptr;
}

const Row* rowOf(ToolBarButton button)
{
    for (const Row& row : rows()) {
        if (row.button == button)
            return &row;
    }
    return nullptr;
}

const QVector<HoverRow>& hoverRows()
{
    static const QVector<HoverRow> table = {
        { &ToolBarFrame::OnClickHoverFirstRequest, &M::OnClickHoverFirstResponse },
        { &ToolBarFrame::OnClickHoverSecondRequest, &M::OnClickHoverSecondResponse },
        { &ToolBarFrame::OnClickHoverThirdRequest, &M::OnClickHoverThirdResponse },
    };
    return table;
}

void handPagesToSearch(SearchFrame* search, PageBase* const* pages)
{
    search->setPages(as<UpgradeFrame>(pages, M::PageUpgrade), as<DeviceInfoFrame>(pages, M::PageDeviceInfo),
        as<ImportExportFrame>(pages, M::PageImportExport), as<ChangePassword>(pages, M::PageChangePassword),
        as<ExportExcel>(pages, M::PageExportExcel), as<StreamConfigFrame>(pages, M::PageStreamConfig),
        as<OSDConfig>(pages, M::PageOSDConfig), as<RecoveryDevice>(pages, M::PageRecoveryDevice),
        as<InitialDevice>(pages, M::PageInitialDevice), as<RebootDevice>(pages, M::PageRebootDevice),
        as<ChangeDevice>(pages, M::PageChangeDevice), as<DeveloperPage>(pages, M::PageDeveloper),
        as<AutoUpgrade>(pages, M::PageAutoUpgrade), as<VideoFormatFrame>(pages, M::PageVideoFormat));
}

} // namespace PageTable
