object KeyloomForm: TKeyloomForm
  Left = 276
  Top = 122
  Width = 668
  Height = 495
  BorderIcons = [biSystemMenu]
  BorderStyle = bsSizeToolWin
  Caption = 'Keyloom'
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnHide = FormHide
  OnResize = FormResize
  OnShow = FormShow
  object sbKeyloom: TStatusBar
    Left = 0
    Top = 449
    Width = 660
    Height = 19
    Align = alBottom
    SimplePanel = True
  end
  object tbKeyloom: TToolBar
    Left = 0
    Top = 0
    Width = 660
    Height = 55
    Align = alTop
    AutoSize = True
    ButtonHeight = 49
    EdgeBorders = [ebTop, ebBottom]
    Indent = 4
    ShowCaptions = True
    TabOrder = 0
    OnMouseMove = ShowHint
    object bClear: TSpeedButton
      Left = 4
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Clears the accelerator key of the selected control(s)'
      Caption = '&Clear'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bClearClick
      OnMouseMove = ShowHint
    end
    object bClearAll: TSpeedButton
      Left = 70
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Clears the accelerator key of all the controls'
      Caption = 'C&lear All'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bClearAllClick
      OnMouseMove = ShowHint
    end
    object bMoveUp: TSpeedButton
      Left = 136
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Moves the selected control up'
      Caption = '&Move Up'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bMoveUpClick
      OnMouseMove = ShowHint
    end
    object bMoveDown: TSpeedButton
      Left = 202
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Moves the selected control down'
      Caption = 'Move &Down'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bMoveDownClick
      OnMouseMove = ShowHint
    end
    object bFind: TSpeedButton
      Left = 268
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Finds accelerator keys for controls missing one'
      Caption = '&Find'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bFindClick
      OnMouseMove = ShowHint
    end
    object bAssign: TSpeedButton
      Left = 334
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Assign the current accelerator keys to the form'
      Caption = '&Assign'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bAssignClick
      OnMouseMove = ShowHint
    end
    object bSetup: TSpeedButton
      Left = 400
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Show/Hides Class setup for Keyloom'
      Caption = '&Setup...'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bSetupClick
      OnMouseMove = ShowHint
    end
    object bAbout: TSpeedButton
      Left = 466
      Top = 2
      Width = 66
      Height = 49
      Hint = 'Show/Hides information about Keyloom'
      Caption = 'A&bout...'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bAboutClick
      OnMouseMove = ShowHint
    end
    object bClose: TSpeedButton
      Left = 532
      Top = 2
      Width = 66
      Height = 49
      Caption = 'Cl&ose'
      Flat = True
      Layout = blGlyphTop
      NumGlyphs = 2
      Spacing = 0
      OnClick = bCloseClick
    end
  end
  object nbAbout: TNotebook
    Left = 0
    Top = 55
    Width = 660
    Height = 394
    Align = alClient
    TabOrder = 1
    object TPage
      Left = 0
      Top = 0
      Caption = 'Default'
      object tvControls: TTreeView
        Left = 0
        Top = 0
        Width = 660
        Height = 394
        Align = alClient
        HideSelection = False
        Images = itComponentGraphics
        Indent = 27
        PopupMenu = pmKeyloom
        TabOrder = 0
        ToolTips = False
        OnChange = tvControlsChange
        OnClick = tvControlsClick
        OnCompare = tvControlsCompare
        OnMouseMove = ShowHint
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'Setup'
      object pCaptions: TPanel
        Left = 0
        Top = 0
        Width = 660
        Height = 29
        Align = alTop
        BevelOuter = bvNone
        TabOrder = 0
        object lCaptions: TLabel
          Left = 4
          Top = 8
          Caption = 'Classes with captions:'
        end
      end
      object lvCaptions: TListView
        Left = 0
        Top = 29
        Width = 660
        Height = 80
        Align = alTop
        Columns = <
          item
            Caption = 'Classes'
            Width = -2
          end>
        PopupMenu = pmCaptions
        ReadOnly = False
        RowSelect = True
        TabOrder = 1
        ViewStyle = vsReport
        OnEdited = lvCaptionsEdited
        OnKeyDown = lvCaptionsKeyDown
      end
      object spSetup1: TSplitter
        Left = 0
        Top = 109
        Width = 660
        Height = 3
        Cursor = crVSplit
        Align = alTop
      end
      object pNoCaptions: TPanel
        Left = 0
        Top = 112
        Width = 660
        Height = 29
        Align = alTop
        BevelOuter = bvNone
        TabOrder = 2
        object lNoCaptions: TLabel
          Left = 4
          Top = 8
          Caption = 'Classes without captions:'
        end
      end
      object lvNoCaptions: TListView
        Left = 0
        Top = 141
        Width = 660
        Height = 80
        Align = alTop
        Columns = <
          item
            Caption = 'Classes'
            Width = -2
          end>
        PopupMenu = pmNoCaptions
        ReadOnly = False
        RowSelect = True
        TabOrder = 3
        ViewStyle = vsReport
        OnEdited = lvNoCaptionsEdited
        OnKeyDown = lvNoCaptionsKeyDown
      end
      object spSetup2: TSplitter
        Left = 0
        Top = 221
        Width = 660
        Height = 3
        Cursor = crVSplit
        Align = alTop
      end
      object pDefaultCaptions: TPanel
        Left = 0
        Top = 224
        Width = 660
        Height = 29
        Align = alTop
        BevelOuter = bvNone
        TabOrder = 4
        object lDefaultCaptions: TLabel
          Left = 4
          Top = 8
          Caption = 'Default Captions:'
        end
      end
      object lvDefaultCaptions: TListView
        Left = 0
        Top = 253
        Width = 660
        Height = 85
        Align = alClient
        Columns = <
          item
            Caption = 'Captions'
            Width = -2
          end>
        PopupMenu = pmDefaultCaptions
        ReadOnly = False
        RowSelect = True
        TabOrder = 5
        ViewStyle = vsReport
        OnEdited = lvDefaultCaptionsEdited
        OnKeyDown = lvDefaultCaptionsKeyDown
      end
      object pKeyOptions: TPanel
        Left = 0
        Top = 338
        Width = 660
        Height = 56
        Align = alBottom
        BevelOuter = bvNone
        TabOrder = 6
        object lScope: TLabel
          Left = 4
          Top = 8
          Caption = 'Sco&pe:'
          FocusControl = cbScope
        end
        object lStrategy: TLabel
          Left = 224
          Top = 8
          Caption = 'S&trategy:'
          FocusControl = cbStrategy
        end
        object lReservedLetters: TLabel
          Left = 444
          Top = 8
          Caption = '&Reserved letters:'
          FocusControl = eReservedLetters
        end
        object lNonLatin: TLabel
          Left = 4
          Top = 34
          Caption = '&Non-Latin captions:'
          FocusControl = cbNonLatin
        end
        object lPlaceholders: TLabel
          Left = 224
          Top = 34
          Caption = 'Place&holders:'
          FocusControl = cbPlaceholders
        end
        object cbScope: TComboBox
          Left = 100
          Top = 4
          Width = 112
          Height = 21
          Hint = 'Which captions need different keys: each group of siblings, or all those the window shows together'
          Style = csDropDownList
          Items.Strings = (
            'Sibling groups'
            'Whole window')
          TabOrder = 0
          OnChange = KeyOptionsChange
          OnMouseMove = ShowHint
        end
        object cbStrategy: TComboBox
          Left = 320
          Top = 4
          Width = 112
          Height = 21
          Hint = 'How keys are chosen: the first free letter of each caption in turn, or as many captions served as can be'
          Style = csDropDownList
          Items.Strings = (
            'Letter search'
            'Best coverage')
          TabOrder = 1
          OnChange = KeyOptionsChange
          OnMouseMove = ShowHint
        end
        object eReservedLetters: TEdit
          Left = 540
          Top = 4
          Width = 112
          Height = 21
          Hint = 'Letters never given as keys, such as those the program uses for keys of its own'
          TabOrder = 2
          OnChange = KeyOptionsChange
          OnMouseMove = ShowHint
        end
        object cbNonLatin: TComboBox
          Left = 100
          Top = 30
          Width = 112
          Height = 21
          Hint = 'Captions without a Latin letter: left alone, given a Latin key after them, or a key on a letter of their own script'
          Style = csDropDownList
          Items.Strings = (
            'Skip'
            'Append a key'
            'Own script')
          TabOrder = 3
          OnChange = KeyOptionsChange
          OnMouseMove = ShowHint
        end
        object cbPlaceholders: TComboBox
          Left = 320
          Top = 30
          Width = 112
          Height = 21
          Hint = 'Captions equal to their control''s name, to be replaced at run time: given a key as any caption, or left alone'
          Style = csDropDownList
          Items.Strings = (
            'Treat as captions'
            'Skip')
          TabOrder = 4
          OnChange = KeyOptionsChange
          OnMouseMove = ShowHint
        end
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = 'About'
      object pHolder: TPanel
        Left = 0
        Top = 0
        Width = 660
        Height = 394
        Align = alClient
        BevelOuter = bvNone
        BorderWidth = 10
        TabOrder = 0
        object pAbout: TPanel
          Left = 10
          Top = 10
          Width = 640
          Height = 374
          Align = alClient
          BevelInner = bvLowered
          TabOrder = 0
          object lTitle: TLabel
            Left = 2
            Top = 16
            Width = 636
            Height = 20
            Alignment = taCenter
            AutoSize = False
            Caption = 'Keyloom'
            Font.Color = clWindowText
            Font.Height = -16
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
          end
          object lVersion: TLabel
            Left = 2
            Top = 44
            Width = 636
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = 'Version 0.1.0'
          end
          object lCredits: TLabel
            Left = 2
            Top = 64
            Width = 636
            Height = 26
            Alignment = taCenter
            AutoSize = False
            Caption = 'Made by Velquist.'#13#10'Pictures drawn for this package.'
          end
          object lHomepage: TLabel
            Left = 2
            Top = 98
            Width = 636
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Cursor = crHandPoint
            Caption = 'https://velquist.example.org/'
            Font.Color = clBlue
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsUnderline]
            OnClick = lHomepageClick
          end
          object lInformation: TLabel
            Left = 2
            Top = 124
            Width = 636
            Height = 52
            Alignment = taCenter
            AutoSize = False
            Caption =
              'Keyloom gives every caption of a form an accelerator key that no ' +
              'sibling uses: the underlined letter, written with an ampersand as in ' +
              'E&xit. Drop the TKeyloom component on a form to keep its keys unique ' +
              'while the program runs, or use this window to find, check and assign ' +
              'them while you design the form.'
            WordWrap = True
            ShowAccelChar = False
          end
          object lComponentHomepage: TLabel
            Left = 2
            Top = 176
            Width = 636
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Cursor = crHandPoint
            Caption = 'https://velquist.example.org/keyloom/'
            Font.Color = clBlue
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsUnderline]
            OnClick = lHomepageClick
          end
        end
      end
    end
  end
  object itComponentGraphics: TImageList
    Height = 24
    Width = 24
  end
  object pmKeyloom: TPopupMenu
    object miNothing: TMenuItem
      Caption = '&Nothing'
      GroupIndex = 1
      RadioItem = True
      OnClick = SortBy
    end
    object miCaption: TMenuItem
      Caption = '&Caption'
      GroupIndex = 1
      RadioItem = True
      OnClick = SortBy
    end
    object miCaptionLength: TMenuItem
      Caption = 'Caption &Length'
      GroupIndex = 1
      RadioItem = True
      OnClick = SortBy
    end
    object miUniqueLetters: TMenuItem
      Caption = '&Unique Letters'
      Checked = True
      GroupIndex = 1
      RadioItem = True
      OnClick = SortBy
    end
  end
  object pmCaptions: TPopupMenu
    OnPopup = pmCaptionsPopup
    object miCaptionsNew: TMenuItem
      Caption = '&New'
      OnClick = miCaptionsNewClick
    end
    object miCaptionsEdit: TMenuItem
      Caption = '&Edit'
      OnClick = miCaptionsEditClick
    end
    object miCaptionsDelete: TMenuItem
      Caption = '&Delete'
      OnClick = miCaptionsDeleteClick
    end
    object miCaptionsBreak: TMenuItem
      Caption = '-'
    end
    object miCaptionsRestoreDefaults: TMenuItem
      Caption = '&Restore Defaults'
      OnClick = miCaptionsRestoreDefaultsClick
    end
  end
  object pmNoCaptions: TPopupMenu
    OnPopup = pmNoCaptionsPopup
    object miNoCaptionsNew: TMenuItem
      Caption = '&New'
      OnClick = miNoCaptionsNewClick
    end
    object miNoCaptionsEdit: TMenuItem
      Caption = '&Edit'
      OnClick = miNoCaptionsEditClick
    end
    object miNoCaptionsDelete: TMenuItem
      Caption = '&Delete'
      OnClick = miNoCaptionsDeleteClick
    end
    object miNoCaptionsBreak: TMenuItem
      Caption = '-'
    end
    object miNoCaptionsRestoreDefaults: TMenuItem
      Caption = '&Restore Defaults'
      OnClick = miNoCaptionsRestoreDefaultsClick
    end
  end
  object pmDefaultCaptions: TPopupMenu
    OnPopup = pmDefaultCaptionsPopup
    object miDefaultCaptionsNew: TMenuItem
      Caption = '&New'
      OnClick = miDefaultCaptionsNewClick
    end
    object miDefaultCaptionsEdit: TMenuItem
      Caption = '&Edit'
      OnClick = miDefaultCaptionsEditClick
    end
    object miDefaultCaptionsDelete: TMenuItem
      Caption = '&Delete'
      OnClick = miDefaultCaptionsDeleteClick
    end
    object miDefaultCaptionsBreak: TMenuItem
      Caption = '-'
    end
    object miDefaultCaptionsRestoreDefaults: TMenuItem
      Caption = '&Restore Defaults'
      OnClick = miDefaultCaptionsRestoreDefaultsClick
    end
  end
end
