#!/usr/bin/env bash
# Copies the window grabs of the acceptance runs that the user guide shows
# into docs/images under the guide's names; the sensor pages are those of the
# runs on the shipped program folder (ShippedSampleTest). Run it after the acceptance runs
# (ctest --test-dir build -L acceptance), from the repository.
set -euo pipefail
cd "$(dirname "$0")/../.."
grabs=${1:-build/acceptance-grabs}
mkdir -p docs/images

# guide name                 scenario-grab
images=(
  start-up                   WithoutABrelkTheStartUpPictureCoversThePagesUntilF2-start-up
  start-up-german            TheStartUpWindowSaysInTheUsersLanguageWhatItWaitsFor-start-up-german
  brelk-upgrade              ABrelkOfAnotherVersionIsUpgradedAtStartAndTheCarPageShows-upgrade-window
  car-page                   F7V4EveryOperation-car-page
  model-page                 F7V4EveryOperation-model-page
  part-number-search         APartNumberFoundWithTheSearchBoxIsProgrammedAndRecordedUnderIt-part-number-search
  test-page                  F7V4EveryOperation-test-page
  check-sensor               N8V4EveryOperation-check-sensor
  copy-page                  F7V4EveryOperation-copy-page-programmed
  create-page                F7V4EveryOperation-create-page
  create-page-programmed     F7V3EveryOperationWithTheBootUpdate-create-page-programmed
  create-page-missing-file   AMissingFirmwareContainerIsNamedInRedAndTheSensorIsUntouched-create-page-missing-container
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
