#!/usr/bin/env bash
# Copies the window grabs of the acceptance runs that the user guide shows
# into docs/images under the guide's names. Run it after the acceptance runs
# (ctest --test-dir build -L acceptance), from the repository.
set -euo pipefail
cd "$(dirname "$0")/../.."
grabs=${1:-build/acceptance-grabs}
mkdir -p docs/images

# guide name                 scenario-grab
images=(
  start-up                   WithoutABrelkTheStartUpPictureCoversThePagesUntilF2-start-up
  brelk-upgrade              ABrelkOfAnotherVersionIsUpgradedAtStartAndTheCarPageShows-upgrade-window
  car-page                   ABrelkOfAnotherVersionIsUpgradedAtStartAndTheCarPageShows-car-page
  model-page                 CreateSensorForAVehicleChosenByClicksWithATypedHexId-model-page
  part-number-search         APartNumberFoundWithTheSearchBoxIsProgrammedAndRecordedUnderIt-part-number-search
  test-page                  TestSensorThenCopyTheIdReadOntoABlankSensor-test-page
  copy-page                  TestSensorThenCopyTheIdReadOntoABlankSensor-copy-page-programmed
  create-page                CreateSensorForAVehicleChosenByClicksWithATypedHexId-create-page
  create-page-programmed     CreateSensorForAVehicleChosenByClicksWithATypedHexId-create-page-programmed
  create-question            TwoBlankSensorsInRangeAreBothCreatedAfterTheQuestion-question
  create-page-two            TwoBlankSensorsInRangeAreBothCreatedAfterTheQuestion-create-page-two
  create-page-unplugged      AnUnplugDuringCreateSensorFailsItWithoutARecordAndAfterTheReplugItSucceeds-create-page-unplugged
  settings-page              DecimalIdsKpaAndGermanChosenInTheSettingsAreKeptAfterARestart-settings-page
  settings-page-german       DecimalIdsKpaAndGermanChosenInTheSettingsAreKeptAfterARestart-settings-page-after-restart
  print-settings             PrintAfterCreateSensorPrintsItsLabelToAPdf-print-settings
  label                      PrintAfterCreateSensorPrintsItsLabelToAPdf-label
  update-ready               TheSelfUpdateFetchesTheOfferedReleaseAndStartsItsUpdateProgram-settings-page-update-ready
)
missing=0
for ((i = 0; i < ${#images[@]}; i += 2)); do
  from="$grabs/${images[i + 1]}.png"
  if [ -f "$from" ]; then
    cp "$from" "docs/images/${images[i]}.png"
  else
    echo "doc-images: $from is missing" >&2
    missing=1
  fi
done
exit "$missing"
