#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_serial_port.h"
#include "shell/wizard_flow.h"
#include "unit/device_test_support.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

class WizardFlowTest : public ::testing::Test {
  protected:
    testing::DeviceRig rig;
    WizardState state;
    FakeUi& ui = rig.ui;
    FakeEnvironment environment;
    FakeRegistry registry;
    FakeProcesses processes;
    FakeFiles files;
    FakeSerialPorts ports;
    ActiveSyncHost active_sync{registry, processes, rig.clock};
    BootLink link{state, LinkServices{ports, rig.clock, rig.log, ui, {}, {}}};

    void Run() {
        RunWizard(state, {ui, environment, registry, files, rig.services, active_sync, link});
    }
};

TEST_F(WizardFlowTest, TakesItsPlacesBeforeTheFirstPage) {
    environment.windows_dir = "D:\\WINNT";
    environment.current_dir = "E:\\Downloads\\Orvo";
    ui.Script(Page::Welcome, [&] {
        // The Welcome page's read-me button already needs the start folder.
        EXPECT_EQ(state.StartDir, "E:\\Downloads\\Orvo");
        return 0;
    });
    Run();
    EXPECT_EQ(state.WindowsDir, "D:\\WINNT");
    EXPECT_EQ(state.MarkerFilePath, "D:\\WINNT\\VARNEL.QDX");
}

TEST_F(WizardFlowTest, CancelOnWelcomeEndsTheProgram) {
    ui.Script(Page::Welcome, [&] {
        state.ExitRequested = 1;
        return 1;
    });
    Run();
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::Welcome});
    EXPECT_TRUE(ui.CloseRequested());
}

TEST_F(WizardFlowTest, EndsWithTheCloseRequestAfterWelcome) {
    ui.Script(Page::Welcome, 0);
    Run();
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::Welcome});
    EXPECT_TRUE(ui.CloseRequested()) << "the flow must never leave the main window standing";
    EXPECT_TRUE(ui.Unscripted().empty());
}

}  // namespace
}  // namespace orvo
