#include "shell/wizard_flow.h"

#include "activesync/activesync_registry.h"
#include "base/text_compare.h"
#include "device/query_device_data.h"
#include "image/choose_backup_file.h"
#include "image/image_checks.h"
#include "shell/find_image_in_start_dir.h"
#include "shell/flash_settings.h"
#include "shell/identify_device.h"
#include "shell/power_check.h"
#include "shell/update_outcome.h"

namespace orvo {
namespace {

enum class Step {
    Start,
    Welcome,
    Preparation,
    Connection,
    Connect,
    Options,
    Confirmation,
    UpdateReady,
    BootLoaderEntry,
    Update,
    End,
};

// True once when `flag` is set, which it clears: the flow acts on a back flag once.
bool TakeBackFlag(std::atomic<int>& flag) { return flag.exchange(0) == 1; }

class WizardFlow {
  public:
    WizardFlow(WizardState& state, const WizardServices& services)
        : state_(state), services_(services), ui_(services.ui) {}

    void Run() {
        Step step = Step::Start;
        // A page that was shown sets ExitRequested to end the wizard; once the close request
        // has been made, by the flow or by a service, nothing more is shown or asked.
        while (step != Step::End) {
            step = Next(step);
            if (state_.ExitRequested == 1 || ui_.CloseRequested()) step = Step::End;
        }
        // A notice left behind an error page goes with the program, not after it.
        ui_.CloseCheckingNotice();
        ui_.RequestClose();
    }

  private:
    Step Next(Step step) {
        switch (step) {
            case Step::Start:
                return Start();
            case Step::Welcome:
                ui_.OpenPage(Page::Welcome);
                return Step::Preparation;
            case Step::Preparation:
                ui_.OpenPage(Page::Preparation);
                return TakeBackFlag(state_.BackFromPreparation) ? Step::Welcome : Step::Connection;
            case Step::Connection:
                ui_.OpenPage(Page::Connection);
                if (TakeBackFlag(state_.BackFromConnection)) return Step::Preparation;
                return connected_ ? Step::Options : Step::Connect;
            case Step::Connect:
                return Connect();
            case Step::Options:
                return Options();
            case Step::Confirmation:
                ui_.OpenPage(Page::Confirmation);
                return TakeBackFlag(state_.BackFromConfirmation) ? Step::Options
                                                                 : Step::UpdateReady;
            case Step::UpdateReady:
                ui_.OpenPage(Page::UpdateReady);
                if (TakeBackFlag(state_.BackFromUpdateReady)) return Step::Confirmation;
                return PowerOr(Step::BootLoaderEntry);
            case Step::BootLoaderEntry:
                ui_.OpenPage(Page::BootLoaderEntry);
                return TakeBackFlag(state_.BackFromBootLoaderEntry) ? Step::UpdateReady
                                                                    : Step::Update;
            case Step::Update:
                Update();
                return Step::End;
            case Step::End:
                break;
        }
        return Step::End;
    }

    Step Start() {
        state_.ResumePending = LoadFlashSettings(state_, services_.registry);
        if (!CheckActiveSyncVersion(services_.registry)) {
            ui_.OpenPage(Page::ActiveSyncVersionError);
            return Step::End;
        }
        return state_.ResumePending == 1 ? Step::Connect : Step::Welcome;
    }

    Step Connect() {
        // Its result is not needed: a missing connection shows as the session's time-out.
        services_.device.remote.CeRapiInitEx();
        if (!IdentifyDevice(state_, services_) || ui_.CloseRequested()) return Step::End;
        if (!EqualIgnoringCase(state_.Device.ModelID, kSupportedModel)) {
            ui_.OpenPage(Page::InvalidModel);
            return Step::End;
        }
        return Step::Options;
    }

    Step Options() {
        connected_ = false;
        const int code = ui_.OpenPage(Page::Options);
        if (state_.ExitRequested == 1) return Step::End;
        if (TakeBackFlag(state_.BackFromOptions)) {
            connected_ = true;
            return Step::Connection;
        }
        switch (code) {
            case kOptionsEnter:
                return Step::Options;
            case kOptionsBackup: {
                // The page has put the target file in BackupPath.
                const Step next = PowerOr(Step::Options);
                if (next == Step::Options) ui_.OpenPage(Page::BackupProgress);
                return next;
            }
            case kOptionsUpdate:
                // Measured again: the size taken while identifying may be a restore's since.
                return FindImageInStartDir(state_, ui_) ? Accept() : Step::End;
            case kOptionsRestore:
                return Restore();
            default:
                return Step::End;
        }
    }

    Step Restore() {
        state_.ImagePath.clear();
        const FileDialog dialog{FileDialog::Kind::Open, ImageDialogFolder(services_.registry)};
        if (!ui_.ShowFileDialog(dialog, state_.ImagePath)) return Step::Options;
        return Accept();
    }

    Step Accept() {
        return AcceptImage(state_, ui_, ImageSizeSource::MeasureFile) ? Step::Confirmation
                                                                      : Step::End;
    }

    // The power check on the way to `next`.
    Step PowerOr(Step next) {
        switch (PowerCheck(services_.device.remote, ui_)) {
            case kPowerMains:
                return next;
            case kPowerUnreadable:
                ConnectionLost();
                return Step::End;
            default:
                return Step::End;
        }
    }

    void ConnectionLost() {
        ui_.OpenPage(Page::ConnectionError);
        services_.device.remote.CeRapiUninit();
    }

    void Update() {
        StopActiveSync(services_.active_sync);
        services_.device.remote.CeRapiUninit();
        EndUpdate(ui_.OpenUpdateProgressPage(UpdateVariant::Main), state_, services_);
    }

    WizardState& state_;
    const WizardServices& services_;
    Ui& ui_;
    // Set by Zurück on the Options page: the handheld stays identified until the Options page
    // is shown again.
    bool connected_ = false;
};

}  // namespace

void RunWizard(WizardState& state, WizardServices services) {
    state.WindowsDir = services.environment.WindowsDirectory();
    state.MarkerFilePath = state.WindowsDir + kMarkerFileName;
    state.StartDir = services.environment.CurrentDirectory();
    WizardFlow(state, services).Run();
}

}  // namespace orvo
