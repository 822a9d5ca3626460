# Sourced by the words tests: read_light IMAGE prints what OCR reads in the written light of a
# frame of the scene's size. Only the light's own warm white is kept, as black strokes on white,
# thickened and scaled down to a size the OCR reads best; sparks and the sky, of other colours,
# drop out. Spaces and line breaks come out as single spaces.
read_light() {
  convert "$1" -resize 1024x768 -fx '(r>0.93 && g>0.85 && b>0.75 && r-b>0.03) ? 1 : 0' -colorspace Gray \
    -morphology Dilate Disk:3 -negate -resize 40% "${1%.png}.light.png"
  tesseract "${1%.png}.light.png" - 2>/dev/null | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}
