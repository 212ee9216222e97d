object ColorForm: TForm
  Caption = 'Colours'
  object ColorLabel: TLabel
    Left = 8
    Top = 12
    Caption = 'Background'
  end
  object ColorBox1: TColorBox
    Left = 90
    Top = 8
    Width = 150
    Style = [cbStandardColors, cbExtendedColors, cbCustomColor]
    DefaultColorColor = clBlack
    NoneColorColor = clWhite
    Selected = clTeal
  end
end
