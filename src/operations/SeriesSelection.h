#pragma once

class MainView;

// On each change of the selection: shows on the series button the series
// prefix of the selected register table, or its initial caption.
void selectSeries(MainView& view);
