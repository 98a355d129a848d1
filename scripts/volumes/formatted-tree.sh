# shellcheck shell=bash
# Sourced by make-test-volumes.sh: the tree that ntfs-formatted and
# fat32-formatted hold before they are formatted over, written through the
# file system's own helpers: photos, office documents, reports, hundreds of
# notes, large files, folders three deep, every name a long name, some files
# and a folder deleted.

# formatted_photos DIR COUNT LABEL: COUNT small JPEGs, each of its own
# gradient and pattern, so that no two are alike.
formatted_photos() {
  local dir=$1 count=$2 label=$3 i
  local patterns=(bricks hexagons crosshatch45 horizontalsaw checkerboard circles)
  local colours=(skyblue-navy orange-purple palegreen-darkgreen wheat-sienna lightcyan-teal gold-brown)
  mkdir -p "$dir"
  for i in $(seq 1 "$count"); do
    jpeg "$dir/$label-$i.jpg" "$((48 + i * 4))x$((36 + i * 3))" "${colours[$((i % 6))]}" "${patterns[$((i % 6))]}"
  done
}

# fill_formatted_tree DIR PUT RM RMTREE: the tree, made with the volume's
# helpers for a folder, a file, a deleted file and a deleted folder.
fill_formatted_tree() {
  local dir=$1 put=$2 rm=$3 rmtree=$4 t=$WORK/formatted-samples y trip m i
  shared_samples
  mkdir -p "$t"

  # Photos: two years of trips.
  $dir /Photos
  for y in 2022 2023; do
    $dir "/Photos/$y"
    for trip in Beach Mountains 春节; do
      $dir "/Photos/$y/$trip"
      [ -d "$t/$y-$trip" ] || formatted_photos "$t/$y-$trip" 8 "$trip-$y"
      for i in $(seq 1 8); do $put "$t/$y-$trip/$trip-$y-$i.jpg" "/Photos/$y/$trip/Holiday $y $i.jpg"; done
    done
  done

  # Documents by LibreOffice, and reports beside them.
  $dir /Documents
  $dir /Documents/Work
  $dir /Documents/Work/Reports
  $dir /Documents/Home
  $put "$S/report.docx" /Documents/Work/Reports/Report.docx
  $put "$S/sheet.xlsx" /Documents/Work/Reports/Sheet.xlsx
  $put "$S/quarterly-review.pptx" "/Documents/Work/Reports/Quarterly Review.pptx"
  $put "$S/letter.docx" /Documents/Home/Letter.docx
  $put "$S/budget.xlsx" /Documents/Home/Budget.xlsx
  $put "$S/holiday-photos-2024.pptx" /Documents/Home/Holiday.pptx
  $put "$S/archive.zip" /Documents/Home/Archive.zip
  for i in $(seq 1 20); do
    gen_text "$t/report-$i.txt" $((3000 + i * 1500)) "report$i"
    $put "$t/report-$i.txt" "/Documents/Work/Reports/Report $i.txt"
  done

  # Notes: twelve months of twenty, most small enough to live inside an
  # NTFS record.
  $dir /Notes
  for m in $(seq -w 1 12); do
    $dir "/Notes/Month 2023-$m"
    for i in $(seq 1 20); do
      gen_text "$t/note-$m-$i.txt" $((150 + (i * 37 + 10#$m * 11) % 1900)) "note$m$i"
      $put "$t/note-$m-$i.txt" "/Notes/Month 2023-$m/Note $i.txt"
    done
  done
  $dir /Notes/年度
  gen_text "$t/summary-cn.txt" 2600 zongjie
  $put "$t/summary-cn.txt" /Notes/年度/总结.txt

  # Large files.
  $dir /Archive
  gen_blocks "$t/backup.bin" $((3 * 1024 * 1024)) backup
  $put "$t/backup.bin" /Archive/Backup.bin
  gen_blocks "$t/disk.bin" $((1024 * 1024 + 12345)) disk
  $put "$t/disk.bin" /Archive/Disk.bin
  $put "$S/3MiB.txt" /Archive/Big.txt

  # Deleted before the format: two notes and a whole month.
  $rm "/Notes/Month 2023-03/Note 4.txt"
  $rm "/Notes/Month 2023-07/Note 9.txt"
  $rmtree "/Notes/Month 2023-11"
}
